#pragma once
// Support for tests that run inside the real application object (CMake:
// tarnolix_test(... APP app ...)). The test main builds it as main does
// (app/Startup.h) in temporary XDG folders; QmlWindow then loads QML through
// the program's own engine set-up, finds items by objectName, and writes
// screenshots into the build's screenshots/ folder. Send input with QTest
// (QTest::mouseClick(window, ...), QTest::keyClick(window, ...)).

#include <QByteArray>
#include <QObject>
#include <QQuickItem>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class QQmlApplicationEngine;
class QQuickWindow;
class Tarnolix;

namespace tarnolix::test {

// The application object of this test executable.
Tarnolix& app();

// The root of this run's temporary XDG folders (config/, data/, cache/,
// state/, runtime/); the data directory lies under data/.
QString appTestRoot();
void setAppTestRoot(const QString& root);

// Selects the library of `email` and opens the account runtime on this
// thread; fails the test (and returns false) on an exception.
bool openAccountRuntime(const QString& email);
// Logs out and waits for the login form's signal; true when the runtime closed.
bool logoutAndWait();

// A QML window loaded through the program's engine set-up (module
// "Tarnolix", its singletons, image provider and fonts as they join).
class QmlWindow
{
public:
    QmlWindow();
    ~QmlWindow();

    QmlWindow(const QmlWindow&) = delete;
    QmlWindow& operator=(const QmlWindow&) = delete;

    // Loads a file whose root is a Window; true when that window exists.
    bool load(const QUrl& url);
    // Loads QML text (imports included) whose root is a Window.
    bool loadData(const QByteArray& qml);

    QQmlApplicationEngine& engine() { return *m_engine; }
    QQuickWindow* window() const { return m_window; }
    // The engine's warnings and errors so far.
    QStringList warnings() const { return m_warnings; }

    // Shows the window and waits until it is exposed.
    bool show();

    // The item (or other object) of that objectName below the root; null when none.
    template <typename T = QQuickItem>
    T* find(const QString& objectName) const
    {
        return root() ? root()->findChild<T*>(objectName) : nullptr;
    }

    // Renders the window into <build>/screenshots/<name>.png; returns the
    // file's path, empty when grabbing or saving failed.
    QString screenshot(const QString& name) const;

private:
    QObject* root() const;

    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow* m_window = nullptr;
    QStringList m_warnings;
};

} // namespace tarnolix::test

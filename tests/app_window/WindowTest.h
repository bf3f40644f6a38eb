#pragma once
// The root window of the program (qrc:/main.qml) in a test: loading it,
// finding its items, real mouse and key input, signing in to the stand-in,
// native message boxes and the addresses handed to the system browser.

#include "app/Tarnolix.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/StandinControl.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestSupport.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

class QMessageBox;
class QQuickItem;
class QQuickWindow;

namespace tarnolix::test {

inline const QString kReaderEmail = QStringLiteral("reader@tarnolix.invalid");
inline const QString kReaderPassword = QStringLiteral("lamp-of-verses");

inline QString standinOrigin()
{
    return appStandin()->httpOrigin();
}

// Makes the stand-in answer the next request whose path starts with `path`
// `ms` milliseconds late.
void delayNextRequest(const QString& path, int ms);

// A test fixture file of this folder as a URL.
QUrl fixtureUrl(const QString& fileName);

// waitUntil that also delivers deferred deletions, which a test body outside
// any event loop never sees otherwise.
bool settle(const std::function<bool()>& pred, int timeoutMs = 5000);
// Lets `ms` pass on the event loop.
void pause(int ms);

// The visible message boxes (the native notices' widgets), oldest first.
QList<QMessageBox*> visibleMessageBoxes();
// Clicks the OK button of `box`.
void clickOk(QMessageBox* box);
// Closes every visible message box; how many there were.
int closeMessageBoxes();

// Renders `window` into <build>/screenshots/<name>.png; its path, empty on failure.
QString screenshotOf(QQuickWindow* window, const QString& name);

// Catches what the program opens in the system browser.
class BrowserCatcher : public QObject
{
    Q_OBJECT
public:
    BrowserCatcher();
    ~BrowserCatcher() override;
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

// A window test: the root window, signed out at the start and at the end.
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads and shows qrc:/main.qml; true once the sign-in form is there
    // (or, without `waitForSignIn`, once the window shows).
    bool openRoot(bool waitForSignIn = true);
    QQuickWindow* window() const { return m_window ? m_window->window() : nullptr; }
    QmlWindow& qml() { return *m_window; }

    // The item or object of that objectName in the root window (the items
    // of loaded pages and dialogs included); null when none.
    QQuickItem* item(const QString& name) const;
    QObject* object(const QString& name) const;
    // The same below `parent`.
    static QQuickItem* itemIn(QObject* parent, const QString& name);

    // Real input to the window that shows `target`.
    static void click(QQuickItem* target, Qt::MouseButton button = Qt::LeftButton);
    static void press(QQuickItem* target);
    static void release(QQuickItem* target);
    // Clicks into an InputField or InputFieldError, selects all and types.
    static void typeInto(QQuickItem* field, const QString& text);
    static void key(QQuickItem* target, Qt::Key key);

    // Fills the sign-in form and submits it with Return.
    void submitSignIn(const QString& email, const QString& password);
    // Signs in the sample reader; true once the main window shows. Unless
    // `withLibraryUpdate`, the main window shows no library update dialog.
    bool signIn(bool withLibraryUpdate = false);
    bool signInAs(const QString& email, const QString& password, bool withLibraryUpdate);
    // Signs out by the header's icon and the question; true once the form is back.
    bool signOutByHeader();
    // Opens the settings by the left menu's button; the dialog once it shows, else null.
    QQuickWindow* openSettingsByMenu();
    // Puts the test tab control into the main window; its first tab is current.
    QObject* loadFakeTabControl();

    std::unique_ptr<QmlWindow> m_window;
};

} // namespace tarnolix::test

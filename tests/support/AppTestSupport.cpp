#include "tests/support/AppTestSupport.h"

#include "app/Startup.h"
#include "app/Tarnolix.h"
#include "core/LocationInfo.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <exception>
#include <thread>

namespace tarnolix::test {

namespace {

QString g_appTestRoot;

} // namespace

Tarnolix& app()
{
    Tarnolix* instance = Tarnolix::instance();
    if (!instance)
        std::terminate(); // only the APP app test main makes one
    return *instance;
}

QString appTestRoot()
{
    return g_appTestRoot;
}

void setAppTestRoot(const QString& root)
{
    g_appTestRoot = root;
}

bool openAccountRuntime(const QString& email)
{
    try {
        app().locationInfo()->selectAccountLibrary(email);
        app().tarnolixStartup(std::this_thread::get_id());
        return true;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "opening the account runtime of " << email.toStdString() << ": " << e.what();
        return false;
    }
}

bool logoutAndWait()
{
    QSignalSpy loginRequired(&app(), &Tarnolix::startupLoginRequired);
    app().logout();
    return waitUntil([&] { return loginRequired.count() > 0; }) && !app().runtimeReady();
}

QmlWindow::QmlWindow()
    : m_engine(createQmlEngine(app()))
{
    QObject::connect(m_engine.get(), &QQmlEngine::warnings, [this](const QList<QQmlError>& warnings) {
        for (const QQmlError& warning : warnings)
            m_warnings.append(warning.toString());
    });
}

QmlWindow::~QmlWindow()
{
    // The window goes with the engine's root objects.
    m_engine.reset();
}

bool QmlWindow::load(const QUrl& url)
{
    m_engine->load(url);
    m_window = qobject_cast<QQuickWindow*>(root());
    return m_window != nullptr;
}

bool QmlWindow::loadData(const QByteArray& qml)
{
    m_engine->loadData(qml);
    m_window = qobject_cast<QQuickWindow*>(root());
    return m_window != nullptr;
}

QObject* QmlWindow::root() const
{
    const QList<QObject*> roots = m_engine->rootObjects();
    return roots.isEmpty() ? nullptr : roots.constLast();
}

bool QmlWindow::show()
{
    if (!m_window)
        return false;
    QSignalSpy painted(m_window, &QQuickWindow::frameSwapped);
    m_window->show();
    m_window->requestActivate();
    return QTest::qWaitForWindowExposed(m_window) && (painted.count() > 0 || painted.wait(5000));
}

QString QmlWindow::screenshot(const QString& name) const
{
    if (!m_window)
        return QString();
    QImage image = m_window->grabWindow();
    // The software scene graph on the offscreen platform grabs nothing; the
    // screen holds what the window drew.
    if (image.isNull())
        image = m_window->screen()->grabWindow(m_window->winId()).toImage();
    const QString path = screenshotDir() + QLatin1Char('/') + name + QLatin1String(".png");
    if (image.isNull() || !image.save(path))
        return QString();
    return path;
}

} // namespace tarnolix::test

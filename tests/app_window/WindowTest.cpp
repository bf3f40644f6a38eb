#include "tests/app_window/WindowTest.h"

#include "core/Settings.h"
#include "core/TarnolixConstants.h"
#include "core/TranslatorMngr.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QJsonObject>
#include <QMessageBox>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QThread>

namespace tarnolix::test {

QUrl fixtureUrl(const QString& fileName)
{
    return QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/app_window/") + fileName);
}

void delayNextRequest(const QString& path, int ms)
{
    // The count belongs in the plan: beside it the stand-in ignores it.
    standinControl(standinOrigin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{QStringLiteral("plan"),
                                QStringLiteral("mode=delay,delay_ms=%1,path=%2,count=1").arg(ms).arg(path)}});
}

bool settle(const std::function<bool()>& pred, int timeoutMs)
{
    return waitUntil(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return pred();
        },
        timeoutMs);
}

void pause(int ms)
{
    QElapsedTimer timer;
    timer.start();
    settle([&] { return timer.elapsed() >= ms; }, ms + 1000);
}

QList<QMessageBox*> visibleMessageBoxes()
{
    QList<QMessageBox*> boxes;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget* widget : widgets) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible())
            boxes.append(box);
    }
    return boxes;
}

void clickOk(QMessageBox* box)
{
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    if (!ok && !box->buttons().isEmpty())
        ok = box->buttons().constFirst();
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
}

int closeMessageBoxes()
{
    int closed = 0;
    for (int round = 0; round < 20; ++round) {
        const QList<QMessageBox*> boxes = visibleMessageBoxes();
        if (boxes.isEmpty()) {
            // A queued notice opens on the next turn.
            pause(50);
            if (visibleMessageBoxes().isEmpty())
                break;
            continue;
        }
        for (QMessageBox* box : boxes) {
            clickOk(box);
            ++closed;
        }
        pause(20);
    }
    return closed;
}

QString screenshotOf(QQuickWindow* window, const QString& name)
{
    if (!window)
        return QString();
    const QImage image = window->grabWindow();
    const QString path = screenshotDir() + QLatin1Char('/') + name + QLatin1String(".png");
    return !image.isNull() && image.save(path) ? path : QString();
}

BrowserCatcher::BrowserCatcher()
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
}

BrowserCatcher::~BrowserCatcher()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void WindowTest::SetUp()
{
    Settings& settings = *app().settings();
    settings.remove(QStringLiteral("Login"));
    settings.remove(QStringLiteral("User"));
    settings.remove(QStringLiteral("Window"));
    settings.setEnableHighDpiScaling(true);
    settings.setDefaultScale(1.0);
    app().translatorMngr()->setLanguage(TarnolixConstants::Russian);
    standinControl(standinOrigin(), "DELETE", QStringLiteral("faults"));
}

void WindowTest::TearDown()
{
    closeMessageBoxes();
    if (app().runtimeReady()) {
        EXPECT_TRUE(logoutAndWait());
    }
    m_window.reset();
    settle([] { return true; }, 0);
    app().translatorMngr()->setLanguage(TarnolixConstants::Russian);
    app().settings()->setDefaultScale(1.0);
    standinControl(standinOrigin(), "DELETE", QStringLiteral("faults"));
}

bool WindowTest::openRoot(bool waitForSignIn)
{
    m_window = std::make_unique<QmlWindow>();
    // Qt.quit() of a dialog must not end the tests' process: it stays a signal.
    QObject::disconnect(&m_window->engine(), SIGNAL(quit()), QCoreApplication::instance(), SLOT(quit()));
    if (!m_window->load(QUrl(QStringLiteral("qrc:/main.qml"))) || !m_window->show())
        return false;
    if (!QTest::qWaitForWindowActive(m_window->window()))
        return false;
    return !waitForSignIn || settle([this] { return item(QStringLiteral("loginForm")) != nullptr; });
}

QQuickItem* WindowTest::item(const QString& name) const
{
    return m_window ? itemIn(m_window->window(), name) : nullptr;
}

QObject* WindowTest::object(const QString& name) const
{
    return m_window && m_window->window() ? m_window->window()->findChild<QObject*>(name) : nullptr;
}

QQuickItem* WindowTest::itemIn(QObject* parent, const QString& name)
{
    if (!parent)
        return nullptr;
    if (auto* found = parent->findChild<QQuickItem*>(name))
        return found;
    // Items of popups and delegates are below their visual parents only.
    if (auto* window = qobject_cast<QQuickWindow*>(parent))
        parent = window->contentItem();
    const std::function<QQuickItem*(QQuickItem*)> below = [&](QQuickItem* root) -> QQuickItem* {
        for (QQuickItem* child : root->childItems()) {
            if (child->objectName() == name)
                return child;
            if (QQuickItem* found = below(child))
                return found;
        }
        return nullptr;
    };
    auto* root = qobject_cast<QQuickItem*>(parent);
    return root ? below(root) : nullptr;
}

namespace {

QPoint centreOf(const QQuickItem* target)
{
    return target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint();
}

} // namespace

void WindowTest::click(QQuickItem* target, Qt::MouseButton button)
{
    ASSERT_NE(target, nullptr);
    ASSERT_NE(target->window(), nullptr);
    if (button == Qt::RightButton) {
        // Menus open where the window system's pointer is.
        QCursor::setPos(target->window()->mapToGlobal(centreOf(target)));
        pause(50);
    }
    QTest::mouseClick(target->window(), button, Qt::NoModifier, centreOf(target));
}

void WindowTest::press(QQuickItem* target)
{
    QTest::mousePress(target->window(), Qt::LeftButton, Qt::NoModifier, centreOf(target));
}

void WindowTest::release(QQuickItem* target)
{
    QTest::mouseRelease(target->window(), Qt::LeftButton, Qt::NoModifier, centreOf(target));
}

void WindowTest::typeInto(QQuickItem* field, const QString& text)
{
    ASSERT_NE(field, nullptr);
    QQuickItem* input = field->findChild<QQuickItem*>(QStringLiteral("field"));
    if (!input)
        input = field;
    click(input);
    QMetaObject::invokeMethod(input, "selectAll");
    if (text.isEmpty()) {
        QTest::keyClick(input->window(), Qt::Key_Delete);
        return;
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(input->window(), char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, input->window(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void WindowTest::key(QQuickItem* target, Qt::Key key)
{
    QTest::keyClick(target->window(), key);
}

void WindowTest::submitSignIn(const QString& email, const QString& password)
{
    typeInto(item(QStringLiteral("emailField")), email);
    typeInto(item(QStringLiteral("passwordField")), password);
    key(item(QStringLiteral("passwordField")), Qt::Key_Return);
}

bool WindowTest::signIn(bool withLibraryUpdate)
{
    return signInAs(kReaderEmail, kReaderPassword, withLibraryUpdate);
}

bool WindowTest::signInAs(const QString& email, const QString& password, bool withLibraryUpdate)
{
    submitSignIn(email, password);
    if (!settle([this] { return item(QStringLiteral("mainWindow")) != nullptr; }, 15000))
        return false;
    // Set before the account refresh ends, which is when the dialog would load.
    if (!withLibraryUpdate)
        object(QStringLiteral("updateDialogSelector"))->setProperty("updateDialogSource", QUrl());
    return true;
}

bool WindowTest::signOutByHeader()
{
    click(item(QStringLiteral("logoutButton")));
    QQuickItem* accept = nullptr;
    if (!settle([&] {
            QObject* loader = object(QStringLiteral("logoutLoader"));
            QObject* dialog = loader ? loader->property("item").value<QObject*>() : nullptr;
            accept = dialog ? itemIn(dialog, QStringLiteral("acceptButton")) : nullptr;
            return accept && accept->window() && accept->window()->isExposed();
        }))
        return false;
    click(accept);
    return settle([this] { return item(QStringLiteral("loginForm")) != nullptr && !app().runtimeReady(); }, 10000);
}

QQuickWindow* WindowTest::openSettingsByMenu()
{
    QQuickItem* button = item(QStringLiteral("settingsButton"));
    if (!button)
        return nullptr;
    click(button);
    QQuickWindow* settings = nullptr;
    const bool shown = settle([&] {
        QObject* loader = object(QStringLiteral("settingsLoader"));
        settings = loader ? qobject_cast<QQuickWindow*>(loader->property("item").value<QObject*>()) : nullptr;
        return settings && settings->isExposed();
    });
    return shown ? settings : nullptr;
}

QObject* WindowTest::loadFakeTabControl()
{
    QObject* loader = object(QStringLiteral("tabControlLoader"));
    if (!loader)
        return nullptr;
    loader->setProperty("source", fixtureUrl(QStringLiteral("FakeTabControl.qml")));
    return loader->property("item").value<QObject*>();
}

} // namespace tarnolix::test

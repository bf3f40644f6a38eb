// The root window from its start: its size, the sign-in form with its
// checks, the busy page of a slow reply, the server's refusal, the main
// window after a sign-in and a fresh form after signing out.
#include "tests/app_window/WindowTest.h"

#include "core/Settings.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>

using namespace tarnolix::test;

namespace {

class SignInTest : public WindowTest
{
protected:
    int signInRequests() const
    {
        int count = 0;
        const QJsonArray requests = standinRequests(standinOrigin());
        for (const QJsonValue& request : requests) {
            if (request.toObject().value(QStringLiteral("path")).toString() == QStringLiteral("/auth/login"))
                ++count;
        }
        return count;
    }
    bool fieldError(const char* name) const
    {
        return item(QString::fromLatin1(name))->property("error").toBool();
    }
    QQuickItem* generalError() const { return item(QStringLiteral("loginGeneralError")); }
};

TEST_F(SignInTest, EmptyFieldsAreMarkedAndNothingIsSent)
{
    ASSERT_TRUE(openRoot());
    EXPECT_EQ(window()->title(), QStringLiteral("Tarnolix"));
    EXPECT_FALSE(generalError()->isVisible());
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-sign-in-form")).isEmpty());
    const int before = signInRequests();

    click(item(QStringLiteral("signInButton")));
    EXPECT_TRUE(fieldError("emailField"));
    EXPECT_TRUE(fieldError("passwordField"));
    EXPECT_TRUE(item(QStringLiteral("emailField"))->findChild<QQuickItem*>(QStringLiteral("errorLabel"))->isVisible());
    EXPECT_TRUE(generalError()->isVisible());
    EXPECT_EQ(generalError()->property("text").toString(), QStringLiteral("Укажите корректные данные"));
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-sign-in-empty-fields")).isEmpty());

    // Only the password empty: only it is marked; Enter in the e-mail field submits.
    typeInto(item(QStringLiteral("emailField")), kReaderEmail);
    key(item(QStringLiteral("emailField")), Qt::Key_Return);
    EXPECT_FALSE(fieldError("emailField"));
    EXPECT_TRUE(fieldError("passwordField"));
    EXPECT_TRUE(generalError()->isVisible());
    pause(200);
    EXPECT_EQ(signInRequests(), before);
}

TEST_F(SignInTest, AWrongPasswordShowsTheServersMessageAndKeepsTheForm)
{
    ASSERT_TRUE(openRoot());
    submitSignIn(kReaderEmail, QStringLiteral("not-the-lamp"));
    ASSERT_TRUE(settle([&] { return generalError()->isVisible(); }, 10000));
    EXPECT_EQ(generalError()->property("text").toString(), QStringLiteral("Неверный e-mail или пароль"));
    EXPECT_TRUE(item(QStringLiteral("loginForm"))->isEnabled());
    EXPECT_EQ(item(QStringLiteral("loginStack"))->property("currentIndex").toInt(), 0);
    EXPECT_FALSE(app().runtimeReady());
    EXPECT_EQ(app().settings()->getString(QStringLiteral("Login/LastLoginEmail")), QString());
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-sign-in-wrong-password")).isEmpty());
}

// The busy page comes only for a reply slower than half a second.
TEST_F(SignInTest, TheBusyPageShowsOnlyForASlowReply)
{
    const struct
    {
        int delayMs;
        bool busyPage;
    } cases[] = {{0, false}, {1500, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delayMs);
        ASSERT_TRUE(openRoot());
        if (c.delayMs > 0) {
            delayNextRequest(QStringLiteral("/auth/login"), c.delayMs);
        }
        QQuickItem* stack = item(QStringLiteral("loginStack"));
        QSignalSpy switches(stack, SIGNAL(currentIndexAnimationChanged()));
        submitSignIn(kReaderEmail, QStringLiteral("not-the-lamp"));
        EXPECT_FALSE(item(QStringLiteral("loginForm"))->isEnabled()) << "disabled while the request is pending";
        if (c.busyPage) {
            ASSERT_TRUE(settle([&] { return stack->property("currentIndex").toInt() == 1 &&
                                            !stack->property("animating").toBool(); }, 3000));
            EXPECT_TRUE(item(QStringLiteral("loginBusyIndicator"))->isVisible());
            EXPECT_FALSE(qml().screenshot(QStringLiteral("window-sign-in-busy")).isEmpty());
        }
        ASSERT_TRUE(settle([&] { return generalError()->isVisible(); }, 10000));
        ASSERT_TRUE(settle([&] { return stack->property("currentIndex").toInt() == 0 &&
                                        !stack->property("animating").toBool(); }));
        // Past the busy timer's time: a fast reply never switched.
        pause(700);
        EXPECT_EQ(switches.count(), c.busyPage ? 2 : 0);
        EXPECT_FALSE(item(QStringLiteral("loginBusyIndicator"))->isVisible());
        m_window.reset();
    }
}

TEST_F(SignInTest, ASignInReachesTheMainWindowAndSigningOutGivesAFreshForm)
{
    ASSERT_TRUE(openRoot());
    click(item(QStringLiteral("rememberBox")));
    ASSERT_TRUE(item(QStringLiteral("rememberBox"))->property("checked").toBool());
    ASSERT_TRUE(signIn());
    EXPECT_TRUE(app().isAuthorized());
    EXPECT_TRUE(app().runtimeReady());
    EXPECT_EQ(item(QStringLiteral("loginForm")), nullptr) << "the form is gone";
    EXPECT_EQ(app().settings()->getString(QStringLiteral("Login/LastLoginEmail")), kReaderEmail);
    EXPECT_FALSE(app().settings()->get(QStringLiteral("Login/Token")).toByteArray().isEmpty()) << "remembered";

    ASSERT_TRUE(signOutByHeader());
    EXPECT_FALSE(app().isAuthorized());
    EXPECT_EQ(item(QStringLiteral("mainWindow")), nullptr);
    EXPECT_EQ(item(QStringLiteral("emailField"))->property("text").toString(), kReaderEmail);
    EXPECT_EQ(item(QStringLiteral("passwordField"))->property("text").toString(), QString());
    EXPECT_FALSE(item(QStringLiteral("rememberBox"))->property("checked").toBool());
    EXPECT_FALSE(item(QStringLiteral("loginGeneralError"))->isVisible());
    EXPECT_TRUE(app().settings()->get(QStringLiteral("Login/Token")).toByteArray().isEmpty());
}

// A remembered account opens on the start-up page until its refresh ends.
TEST_F(SignInTest, ARememberedAccountShowsTheStartupPageWhileItIsChecked)
{
    ASSERT_TRUE(openRoot());
    click(item(QStringLiteral("rememberBox")));
    ASSERT_TRUE(signIn());
    // The next start of the program: what it remembered, without this run's runtime.
    Settings& settings = *app().settings();
    QVariantMap remembered;
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        if (key.startsWith(QLatin1String("Login/")) || key.startsWith(QLatin1String("User/")))
            remembered.insert(key, settings.value(key));
    }
    m_window.reset();
    ASSERT_TRUE(logoutAndWait());
    for (auto it = remembered.cbegin(); it != remembered.cend(); ++it)
        settings.setValue(it.key(), it.value());
    delayNextRequest(QStringLiteral("/user"), 1500);

    ASSERT_TRUE(openRoot(false));
    ASSERT_TRUE(settle([&] { return item(QStringLiteral("startupTitle")) != nullptr; }));
    EXPECT_EQ(item(QStringLiteral("startupTitle"))->property("text").toString(), QStringLiteral("Проверка аккаунта"));
    EXPECT_TRUE(item(QStringLiteral("startupProgress"))->property("indeterminate").toBool());
    EXPECT_EQ(item(QStringLiteral("startupNote"))->property("text").toString(),
              QStringLiteral("Установленные данные сохраняются до завершения проверки новой библиотеки."));
    EXPECT_FALSE(item(QStringLiteral("retryButton"))->isEnabled());
    EXPECT_FALSE(item(QStringLiteral("signInAgainButton"))->isEnabled());
    EXPECT_TRUE(item(QStringLiteral("closeButton"))->isEnabled());
    EXPECT_FALSE(item(QStringLiteral("offlineButton"))->isVisible());
    EXPECT_FALSE(qml().screenshot(QStringLiteral("window-startup-page")).isEmpty());

    ASSERT_TRUE(settle([&] { return item(QStringLiteral("mainWindow")) != nullptr; }, 10000));
    EXPECT_EQ(item(QStringLiteral("startupTitle")), nullptr);
    EXPECT_TRUE(app().isAuthorized());
}

class RootGeometryTest : public WindowTest
{
};

TEST_F(RootGeometryTest, OpensAtTheStoredSizeCappedToTheScreenAndKeepsTheWindowedSize)
{
    Settings& settings = *app().settings();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const struct
    {
        int storedWidth;
        int storedHeight;
        QSize expected;
    } cases[] = {
        {1150, 700, QSize(1150, 700)},
        {0, 0, QSize(qMin(1248, available.width()), qMin(702, available.height() - 40))},
        {available.width() + 300, available.height() + 300, QSize(available.width(), available.height() - 40)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.storedWidth);
        settings.remove(QStringLiteral("Window"));
        if (c.storedWidth > 0) {
            settings.set(QStringLiteral("Window/width"), c.storedWidth);
            settings.set(QStringLiteral("Window/height"), c.storedHeight);
        }
        ASSERT_TRUE(openRoot());
        EXPECT_EQ(window()->size(), c.expected);
        EXPECT_EQ(window()->minimumWidth(), qMin(1088, available.width()));
        EXPECT_EQ(window()->minimumHeight(), qMin(612, available.height() - 40));
        m_window.reset();
    }

    // Closing in the windowed state keeps the size; maximised, it does not.
    settings.remove(QStringLiteral("Window"));
    ASSERT_TRUE(openRoot());
    window()->resize(1200, 650);
    ASSERT_TRUE(settle([&] { return window()->size() == QSize(1200, 650); }));
    window()->close();
    EXPECT_EQ(settings.get(QStringLiteral("Window/width")).toInt(), 1200);
    EXPECT_EQ(settings.get(QStringLiteral("Window/height")).toInt(), 650);
    m_window.reset();
    ASSERT_TRUE(openRoot());
    window()->showMaximized();
    ASSERT_TRUE(settle([&] { return window()->visibility() == QWindow::Maximized; }));
    window()->close();
    EXPECT_EQ(settings.get(QStringLiteral("Window/width")).toInt(), 1200);
    EXPECT_EQ(settings.get(QStringLiteral("Window/height")).toInt(), 650);
}

} // namespace

// Every page the interface opens in the system browser comes from the
// server configuration (here the stand-in, through its environment
// override), in the reader's language where the page has one.
#include "tests/app_window/WindowTest.h"

#include "core/TarnolixConstants.h"
#include "core/TranslatorMngr.h"

#include <QQuickItem>
#include <QQuickWindow>

using namespace tarnolix::test;

namespace {

class LinksTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        qputenv("TARNOLIX_WEB_SITE_URL", standinOrigin().toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("TARNOLIX_WEB_SITE_URL");
        WindowTest::TearDown();
    }
    // What a click on `target` opened, relative to the site's origin.
    QString opened(QQuickItem* target)
    {
        m_browser.urls.clear();
        click(target);
        if (m_browser.urls.size() != 1)
            return QStringLiteral("%1 pages opened").arg(m_browser.urls.size());
        return m_browser.urls.constFirst().toString().mid(standinOrigin().size());
    }
    QQuickWindow* loaded(const char* loaderName)
    {
        QQuickWindow* dialog = nullptr;
        settle([&] {
            QObject* loader = object(QString::fromLatin1(loaderName));
            dialog = loader ? qobject_cast<QQuickWindow*>(loader->property("item").value<QObject*>()) : nullptr;
            return dialog && dialog->isExposed();
        });
        return dialog;
    }

    BrowserCatcher m_browser;
};

TEST_F(LinksTest, TheSignInFormsLinks)
{
    const struct
    {
        TarnolixConstants::Language language;
        const char* button;
        const char* page;
    } cases[] = {
        {TarnolixConstants::Russian, "forgotPasswordButton", "/forgot-password"},
        {TarnolixConstants::Russian, "registrationButton", "/registration"},
        {TarnolixConstants::Russian, "privacyPolicyButton", "/privacy-policy.html#russian"},
        {TarnolixConstants::Russian, "termsOfUseButton", "/terms-of-use.html#russian"},
        {TarnolixConstants::English, "privacyPolicyButton", "/privacy-policy.html#english"},
        {TarnolixConstants::English, "termsOfUseButton", "/terms-of-use.html#english"},
    };
    ASSERT_TRUE(openRoot());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        app().translatorMngr()->setLanguage(c.language);
        EXPECT_EQ(opened(item(QString::fromLatin1(c.button))), QString::fromLatin1(c.page));
    }
}

TEST_F(LinksTest, TheSettingsAndAboutDialogsLinks)
{
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signIn());
    click(item(QStringLiteral("settingsButton")));
    QQuickWindow* settings = loaded("settingsLoader");
    ASSERT_NE(settings, nullptr);
    for (const char* button : {"editPersonalDataButton", "editEmailButton", "changePasswordButton"}) {
        SCOPED_TRACE(button);
        EXPECT_EQ(opened(itemIn(settings, QString::fromLatin1(button))), QStringLiteral("/"));
    }
    settings->close();

    click(item(QStringLiteral("aboutButton")));
    QQuickWindow* about = loaded("aboutLoader");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->title(), QStringLiteral("О программе Tarnolix"));
    EXPECT_FALSE(screenshotOf(about, QStringLiteral("window-about")).isEmpty());
    EXPECT_EQ(opened(itemIn(about, QStringLiteral("tutorialButton"))), QStringLiteral("/tarnolix#tutorial"));
    app().translatorMngr()->setLanguage(TarnolixConstants::English);
    EXPECT_EQ(opened(itemIn(about, QStringLiteral("tutorialButton"))), QStringLiteral("/en/tarnolix#tutorial"));
    about->close();
}

} // namespace

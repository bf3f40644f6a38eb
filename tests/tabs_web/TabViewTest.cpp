// A tab in a real web view: the profile it was handed answers through the
// tab's own scheme handler, which tells the tab each page's URL before
// serving it, and the pages' clicks reach the application through the tab's
// web-channel object.
#include "app/Tarnolix.h"
#include "tabs/TabStatus.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace tarnolix::test;

class TabInView : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!app().runtimeReady()) {
            ASSERT_TRUE(openAccountRuntime(QStringLiteral("reader@tarnolix.invalid")));
        }
    }

    void SetUp() override
    {
        window = std::make_unique<QmlWindow>();
        ASSERT_TRUE(window->load(QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/tabs_web/TabView.qml"))))
            << window->warnings().join('\n').toStdString();
        root = window->window();
        tab = root->property("tab").value<TabStatus*>();
        ASSERT_NE(tab, nullptr);
        ASSERT_TRUE(window->show());
    }

    // Waits for the next finished load; true when it succeeded.
    bool loaded(int loadsBefore)
    {
        return waitUntil([&] { return root->property("loads").toInt() > loadsBefore; }, 20000)
            && root->property("lastLoadOk").toBool();
    }

    QVariant run(const QString& script)
    {
        const int before = root->property("results").toInt();
        QMetaObject::invokeMethod(root, "runScript", Q_ARG(QVariant, script));
        if (!waitUntil([&] { return root->property("results").toInt() > before; }, 10000)) {
            ADD_FAILURE() << "script did not answer: " << script.toStdString();
            return {};
        }
        return root->property("lastResult");
    }

    bool channelConnected()
    {
        return waitUntil([&] { return run(QStringLiteral("typeof g_tabWebChannel === 'object' && !!g_tabWebChannel")).toBool(); },
                         10000);
    }

    std::unique_ptr<QmlWindow> window;
    QQuickWindow* root = nullptr;
    TabStatus* tab = nullptr;
};

TEST_F(TabInView, FollowsThePagesItsViewLoadsAndTheirCallsReachTheApplication)
{
    QSignalSpy urlChanged(tab, &TabStatus::urlChanged);

    // A fixed page opened by the tab: the tab follows the view (the engine
    // writes the empty path as "/"), and the same URL again changes nothing.
    int loads = root->property("loads").toInt();
    tab->openBasePage();
    ASSERT_TRUE(loaded(loads));
    EXPECT_EQ(tab->pageType(), UrlCreator::NewTab);
    const QUrl shown = root->property("view").value<QObject*>()->property("url").toUrl();
    EXPECT_EQ(tab->url(), shown);
    const int changes = urlChanged.count();
    EXPECT_GE(changes, 1);
    tab->setUrl(shown);
    EXPECT_EQ(urlChanged.count(), changes);
    EXPECT_FALSE(tab->pageLoading());
    ASSERT_TRUE(channelConnected());
    EXPECT_EQ(run(QStringLiteral("g_tabWebChannel.tabId")).toInt(), tab->id());

    // A book page of this tab: the reader page shell, whose script asks the
    // tab's channel about favorites and passes footnote clicks on.
    loads = root->property("loads").toInt();
    const QUrl book(QStringLiteral("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=%1").arg(tab->id()));
    QMetaObject::invokeMethod(root, "openUrl", Q_ARG(QVariant, book));
    ASSERT_TRUE(loaded(loads));
    EXPECT_EQ(tab->pageType(), UrlCreator::OpenBook);
    EXPECT_EQ(tab->bookId(), 77);
    EXPECT_EQ(tab->sectionCode(), QStringLiteral("r-2"));
    ASSERT_TRUE(channelConnected());

    QSignalSpy messages(&app(), &Tarnolix::message);
    run(QStringLiteral("appendContent('<p><span class=\"footnote\" data-footnote-number=\" 3 \" "
                       "data-footnote-content=\"Пояснение\">3</span>"
                       "<span class=\"footnote\" data-footnote-number=\"3a\" data-footnote-content=\"x\">x</span>"
                       "<span id=\"fav\" onclick=\"g_tabWebChannel.favoriteMessageButtonClicked(&#39;6e1a3c1e-0c55-"
                       "4b43-8a7e-2f9d1b6f0a11&#39;)\">*</span></p>');"
                       "document.querySelectorAll('.footnote').forEach(function (e) { e.click() }); true"));
    ASSERT_TRUE(waitUntil([&] { return messages.count() > 0; }, 5000));
    EXPECT_EQ(messages.at(0).at(0).toString(), QStringLiteral("Примечание №3"));
    EXPECT_EQ(messages.at(0).at(1).toString(), QStringLiteral("Пояснение"));

    QSignalSpy favoriteClicked(&app(), &Tarnolix::favoriteMessageButtonClicked);
    run(QStringLiteral("document.getElementById('fav').click(); true"));
    ASSERT_TRUE(waitUntil([&] { return favoriteClicked.count() > 0; }, 5000));
    EXPECT_EQ(favoriteClicked.at(0).at(0).toString(), QStringLiteral("6e1a3c1e-0c55-4b43-8a7e-2f9d1b6f0a11"));
    EXPECT_EQ(messages.count(), 1); // the footnote numbered "3a" showed nothing

    // The clipboard both ways, and a converter call from a book page.
    QGuiApplication::clipboard()->setText(QStringLiteral("из буфера"));
    run(QStringLiteral("g_tabWebChannel.clipboardText = 'со страницы'; true"));
    EXPECT_TRUE(waitUntil([] { return QGuiApplication::clipboard()->text() == QStringLiteral("со страницы"); }, 5000));
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    run(QStringLiteral("window.__converted = 'pending'; g_tabWebChannel.convertText('kṛṣṇa', '4', '5', false, "
                       "function (r) { window.__converted = r }); true"));
    EXPECT_TRUE(waitUntil([&] { return run(QStringLiteral("window.__converted")).toString().isEmpty(); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }, 5000));
    EXPECT_EQ(errors.at(0).at(1).toString(), QStringLiteral("ERROR 0x58578221"));
}

} // namespace

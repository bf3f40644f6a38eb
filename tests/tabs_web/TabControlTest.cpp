// The tab area in real web views under Xvfb, inside the real application
// object: the tab bar driven by mouse and keys, the splitter dragged, the
// content view's script queue, page showing, zoom and settings calls read
// back from the pages, and a new-window link becoming a tab.
#include "app/Tarnolix.h"
#include "core/TranslatorMngr.h"
#include "core/Settings.h"
#include "tabs/NewTabStatus.h"
#include "tabs/TabStatus.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using namespace tarnolix::test;

const char kMaxTabs[] = "Открыто максимальное количество вкладок!";

class TabArea : public ::testing::Test
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
        app().settings()->setZoomFactor(1.0);
        window = std::make_unique<QmlWindow>();
        ASSERT_TRUE(window->load(
            QUrl::fromLocalFile(QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/tabs_web/TabControlWindow.qml"))))
            << window->warnings().join('\n').toStdString();
        root = window->window();
        tabs = root->property("tabs").value<QQuickItem*>();
        ASSERT_NE(tabs, nullptr);
        ASSERT_TRUE(window->show());
        ASSERT_TRUE(shown(current()));
    }

    void TearDown() override
    {
        app().setMainWindowDPCalculate(nullptr);
        // A web view calls back into its QML engine when a script answers:
        // no answer may be due when the engine goes.
        if (window && window->window()) {
            const auto contents = window->window()->findChildren<QObject*>(QStringLiteral("contentView"));
            waitUntil([&] {
                for (QObject* content : contents) {
                    if (content->property("activeScriptCount").toInt() != 0)
                        return false;
                }
                return true;
            }, 10000);
            QTest::qWait(200);
        }
        window.reset();
        app().setTabControl(nullptr);
        app().settings()->setZoomFactor(1.0);
    }

    int count() const { return tabs->property("count").toInt(); }
    QQuickItem* current() const { return tabs->property("currentTab").value<QQuickItem*>(); }
    QList<QQuickItem*> items() const { return window->find<QQuickItem>(QStringLiteral("tabStack"))->childItems(); }
    int currentIndex() const { return items().indexOf(current()); }
    static TabStatus* statusOf(QQuickItem* tab) { return tab->property("status").value<TabStatus*>(); }
    static QObject* viewOf(QQuickItem* tab) { return tab->property("webView").value<QObject*>(); }
    static QObject* contentOf(QQuickItem* tab) { return tab->property("presentationContent").value<QObject*>(); }

    QQuickItem* addTab()
    {
        QVariant tab;
        QMetaObject::invokeMethod(tabs, "addTab", Q_RETURN_ARG(QVariant, tab));
        return tab.value<QQuickItem*>();
    }
    void call(const char* function, int index) { QMetaObject::invokeMethod(tabs, function, Q_ARG(QVariant, index)); }

    // The tab's page loaded and visible.
    static bool shown(QQuickItem* tab)
    {
        QObject* view = viewOf(tab);
        return waitUntil([&] { return !view->property("loading").toBool() && view->property("opacity").toDouble() == 1.0; },
                         20000);
    }

    QVariant run(const QString& script)
    {
        const int before = root->property("results").toInt();
        QMetaObject::invokeMethod(root, "run", Q_ARG(QVariant, script));
        if (!waitUntil([&] { return root->property("results").toInt() > before; }, 10000)) {
            ADD_FAILURE() << "script did not answer: " << script.toStdString();
            return {};
        }
        return root->property("lastResult");
    }
    void queue(const QString& script) { QMetaObject::invokeMethod(root, "queue", Q_ARG(QVariant, script)); }
    int answers() const { return root->property("answers").toList().size(); }

    QPoint centerOf(QQuickItem* item) const
    {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }

    std::unique_ptr<QmlWindow> window;
    QQuickWindow* root = nullptr;
    QQuickItem* tabs = nullptr;
};

TEST_F(TabArea, AddButtonStopsAtFifteenTabsAndClosingMovesToTheLeftNeighbour)
{
    auto* addButton = window->find<QQuickItem>(QStringLiteral("addTabButton"));
    ASSERT_NE(addButton, nullptr);
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);

    // The add button: a new tab, current, showing the new-tab page.
    QTest::mouseClick(root, Qt::LeftButton, {}, centerOf(addButton));
    ASSERT_EQ(count(), 2);
    EXPECT_EQ(currentIndex(), 1);
    ASSERT_TRUE(shown(current()));
    EXPECT_EQ(statusOf(current())->pageType(), UrlCreator::NewTab);
    EXPECT_EQ(statusOf(current())->pageStatus()->tabTitle(), NewTabStatus().tabTitle());
    EXPECT_EQ(app().curTabStatus(), statusOf(current()));

    while (count() < 15) {
        ASSERT_NE(addTab(), nullptr);
    }
    EXPECT_FALSE(addButton->isEnabled());
    EXPECT_EQ(addTab(), nullptr);
    EXPECT_EQ(count(), 15);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(1).toString(), QString::fromUtf8(kMaxTabs));
    QTest::mouseClick(root, Qt::LeftButton, {}, centerOf(addButton));
    EXPECT_EQ(count(), 15);

    // Closing: the left neighbour becomes current, also when another tab
    // was current; closing the first makes the second current.
    const QList<QQuickItem*> before = items();
    call("commitTab", 2);
    call("closeTab", 10);
    EXPECT_EQ(count(), 14);
    EXPECT_TRUE(addButton->isEnabled());
    EXPECT_EQ(current(), before.at(9));
    EXPECT_FALSE(items().contains(before.at(10)));
    call("closeTab", 0);
    EXPECT_EQ(current(), before.at(1));
    EXPECT_EQ(currentIndex(), 0);
    EXPECT_EQ(app().curTabStatus(), statusOf(before.at(1)));

    // Selecting through the owner, and not at all while it is busy.
    call("selectTab", 3);
    EXPECT_EQ(currentIndex(), 3);
    tabs->setProperty("presentationBusy", true);
    call("selectTab", 4);
    call("closeTab", 3);
    EXPECT_EQ(currentIndex(), 3);
    EXPECT_EQ(count(), 13);
    EXPECT_EQ(addTab(), nullptr);
    tabs->setProperty("presentationBusy", false);
}

TEST_F(TabArea, TheLastTabStaysAndShowsTheNewTabPage)
{
    QQuickItem* only = current();
    statusOf(only)->openConverter();
    ASSERT_TRUE(waitUntil([&] { return statusOf(only)->pageType() == UrlCreator::Converter; }, 20000));
    call("closeTab", 0);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(current(), only);
    ASSERT_TRUE(waitUntil([&] { return statusOf(only)->pageType() == UrlCreator::NewTab; }, 20000));
    EXPECT_TRUE(shown(only));
}

TEST_F(TabArea, ArrowKeysMoveTheSelectionAndStopAtTheEnds)
{
    addTab();
    addTab();
    auto* bar = window->find<QQuickItem>(QStringLiteral("tabBar"));
    bar->forceActiveFocus();
    QTest::keyClick(root, Qt::Key_Right);
    EXPECT_EQ(currentIndex(), 2);
    QTest::keyClick(root, Qt::Key_Left);
    QTest::keyClick(root, Qt::Key_Left);
    EXPECT_EQ(currentIndex(), 0);
    QTest::keyClick(root, Qt::Key_Left);
    EXPECT_EQ(currentIndex(), 0);

    // A click on a tab button selects it; its close button closes it.
    QQuickItem* last = items().at(2);
    QObject* button = nullptr;
    for (QObject* child : bar->findChildren<QObject*>()) {
        if (child->property("tabStatus").value<TabStatus*>() == statusOf(last))
            button = child;
    }
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(root, Qt::LeftButton, {}, centerOf(qobject_cast<QQuickItem*>(button)));
    EXPECT_EQ(current(), last);
    auto* close = button->findChild<QQuickItem*>(QStringLiteral("closeButton"));
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(root, Qt::LeftButton, {}, centerOf(close));
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(currentIndex(), 1);
}

TEST_F(TabArea, TheSplitterStopsBetweenItsLimits)
{
    auto* grab = current()->findChild<QQuickItem*>(QStringLiteral("splitterGrabArea"));
    auto* panel = current()->findChild<QQuickItem*>(QStringLiteral("catalogPanel"));
    ASSERT_NE(grab, nullptr);
    const double dp = root->property("dp").toDouble();
    EXPECT_EQ(panel->width(), std::ceil(dp * 288));

    struct Case { int windowWidth; int dragTo; double expected; };
    const Case cases[] = {
        {1280, 2000, std::min(std::floor(dp * 488), 1280 - std::ceil(dp * 320))},
        {700, 2000, std::max(std::ceil(dp * 288), std::min(std::floor(dp * 488), 700 - std::ceil(dp * 320)))},
        {1280, 5, std::ceil(dp * 288)},
        {1280, 350, 350},
    };
    for (const Case& c : cases) {
        root->resize(c.windowWidth, 800);
        ASSERT_TRUE(waitUntil([&] { return int(current()->width()) == c.windowWidth; }));
        const QPoint start = centerOf(grab);
        QTest::mousePress(root, Qt::LeftButton, {}, start);
        QTest::mouseMove(root, QPoint(start.x() + 10, start.y()));
        QTest::mouseMove(root, QPoint(std::min(c.dragTo, c.windowWidth - 1), start.y()));
        QTest::mouseRelease(root, Qt::LeftButton, {}, QPoint(std::min(c.dragTo, c.windowWidth - 1), start.y()));
        EXPECT_EQ(panel->width(), std::min(c.expected, double(c.windowWidth - 1)))
            << "window " << c.windowWidth << " drag to " << c.dragTo;
    }
}

TEST_F(TabArea, ReadingModeOnlyOnABookButAlwaysLeft)
{
    TabStatus* tab = statusOf(current());
    QMetaObject::invokeMethod(current(), "changeBookMode");
    EXPECT_FALSE(tab->bookMode());
    tab->setBookMode(true);
    EXPECT_EQ(current()->state(), QStringLiteral("bookMode"));
    EXPECT_FALSE(current()->findChild<QQuickItem*>(QStringLiteral("catalogPanel"))->isVisible());
    EXPECT_EQ(current()->findChild<QQuickItem*>(QStringLiteral("rightPart"))->x(), 0);
    QMetaObject::invokeMethod(current(), "changeBookMode");
    EXPECT_FALSE(tab->bookMode());
    EXPECT_EQ(current()->state(), QString());
}

TEST_F(TabArea, ChoosingAnotherCatalogLeavesOnlyAnIncompatibleResultsPage)
{
    struct Case {
        const char* results;
        TarnolixConstants::Catalog catalog;
        TarnolixConstants::Language language;
        UrlCreator::QueryType resultType;
        TarnolixConstants::Catalog tabCatalog;
        TarnolixConstants::Language tabCatalogLanguage;
        bool opensNewTab;
    };
    using C = TarnolixConstants;
    const Case cases[] = {
        {"tarnolix://wbwsearch.en?original=a", C::WordByWordCatalog, C::Russian, UrlCreator::WBWSearch,
         C::WordByWordCatalog, C::English, true},
        {"tarnolix://wbwsearch.en?original=a", C::WordByWordCatalog, C::English, UrlCreator::WBWSearch,
         C::WordByWordCatalog, C::English, false},
        {"tarnolix://ftsearch.ru?query=mind", C::EnglishCatalog, C::English, UrlCreator::FTSearch,
         C::RussianCatalog, C::Russian, true},
        {"tarnolix://ftsearch.ru?query=mind", C::RussianCatalog, C::Russian, UrlCreator::FTSearch,
         C::RussianCatalog, C::Russian, false},
    };
    QQuickItem* item = current();
    TabStatus* tab = statusOf(item);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.results);
        tab->setUrl(QUrl(QString::fromLatin1(c.results)));
        ASSERT_NE(tab->pageType(), UrlCreator::NewTab);
        tab->setCatalog(c.tabCatalog);
        tab->setCatalogLanguage(c.tabCatalogLanguage);
        MessageLog log;
        QMetaObject::invokeMethod(item, "selectSearchCatalog", Q_ARG(QVariant, int(c.catalog)),
                                  Q_ARG(QVariant, int(c.language)), Q_ARG(QVariant, int(c.resultType)));
        EXPECT_EQ(tab->catalog(), c.catalog);
        // Opening goes through the content view, which logs each URL.
        EXPECT_EQ(log.contains(QtDebugMsg, QStringLiteral("ContentView::openUrl: tarnolix://newtab")), c.opensNewTab);
        if (c.opensNewTab) {
            EXPECT_TRUE(waitUntil([&] { return tab->pageType() == UrlCreator::NewTab; }, 20000));
        }
        EXPECT_TRUE(shown(item));
    }
}

TEST_F(TabArea, QueuedScriptsRunOneAtATimeAndDieWithTheirDocument)
{
    QObject* content = contentOf(current());
    const auto countNow = [&] { return content->property("activeScriptCount").toInt(); };

    // Two scripts: the second waits for the first's answer.
    ASSERT_TRUE(waitUntil([&] { return countNow() == 0; }));
    root->setProperty("countHistory", QVariantList{});
    queue(QStringLiteral("window.__seq = 'a'; 1"));
    queue(QStringLiteral("window.__seq += 'b'; 2"));
    EXPECT_EQ(countNow(), 2);
    ASSERT_TRUE(waitUntil([&] { return answers() == 2; }));
    EXPECT_EQ(root->property("countHistory").toList().mid(0), (QVariantList{1, 2, 1, 0}));
    EXPECT_EQ(root->property("answers").toList(), (QVariantList{1, 2}));
    EXPECT_EQ(root->property("queueSeen").toList(), (QVariantList{1, 0}));
    EXPECT_EQ(run(QStringLiteral("window.__seq")).toString(), QStringLiteral("ab"));

    // An anchor jump in the same document keeps the queue and shows the page.
    for (int i = 0; i < 3; ++i)
        queue(QStringLiteral("3"));
    TabStatus* tab = statusOf(current());
    QMetaObject::invokeMethod(current(), "openUrl", Q_ARG(QVariant, QUrl(tab->url().toString() + QStringLiteral("#top"))));
    ASSERT_TRUE(waitUntil([&] { return tab->urlHasFragment(); }, 10000));
    EXPECT_EQ(viewOf(current())->property("opacity").toDouble(), 1.0);
    EXPECT_TRUE(waitUntil([&] { return answers() == 5; }));
    EXPECT_EQ(countNow(), 0);

    // Another document while three wait: their callbacks never run and the
    // count drops by the waiting ones at once.
    const int answersBefore = answers();
    queue(QStringLiteral("var t = Date.now(); while (Date.now() - t < 200) {} 4"));
    for (int i = 0; i < 3; ++i)
        queue(QStringLiteral("5"));
    EXPECT_EQ(countNow(), 4);
    statusOf(current())->openConverter();
    ASSERT_TRUE(waitUntil([&] { return countNow() == 0; }, 10000));
    QTest::qWait(300);
    EXPECT_EQ(answers(), answersBefore);
    const QVariantList history = root->property("countHistory").toList();
    ASSERT_GE(history.size(), 6);
    // ... 1, 2, 3, 4 while queueing, then the three waiting ones at once.
    const QString counts = QVariant(history).toStringList().join(',');
    EXPECT_TRUE(counts.contains(QStringLiteral("1,2,3,4,1,0"))) << counts.toStdString();
}

TEST_F(TabArea, ZoomAndWidthSetTheLayoutClassesAndTheNewTabKeepsItsBodyAtOne)
{
    QQuickItem* item = current();
    QObject* view = viewOf(item);
    const double baseScale = app().webviewZoomFactor(); // zoom 1
    ASSERT_GT(baseScale, 0.0);

    // Widens the window until the view is `width` pixels wide.
    const auto viewWidth = [&](int width) {
        for (int i = 0; i < 3 && int(view->property("width").toDouble()) != width; ++i) {
            root->resize(root->width() + width - int(view->property("width").toDouble()), root->height());
            waitUntil([&] { return false; }, 50);
        }
        return int(view->property("width").toDouble()) == width;
    };
    struct Case { int width; double zoom; bool compact; bool extreme; };
    const Case cases[] = {{1440, 2, true, false}, {1441, 2, false, false}, {1600, 4, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        ASSERT_TRUE(viewWidth(c.width));
        QMetaObject::invokeMethod(item, "setZoomFactor", Q_ARG(QVariant, c.zoom / baseScale));
        ASSERT_DOUBLE_EQ(app().webviewZoomFactor(), c.zoom);
        EXPECT_TRUE(waitUntil([&] {
            return run(QStringLiteral("document.body.classList.contains('compact-layout') === %1 && "
                                      "document.body.classList.contains('extreme-zoom') === %2")
                           .arg(c.compact ? "true" : "false", c.extreme ? "true" : "false"))
                .toBool();
        }));
        // The new-tab page: zoom only in its two size variables.
        EXPECT_EQ(run(QStringLiteral("[document.body.style.zoom, document.body.style.getPropertyValue('--new-tab-text-size'),"
                                     " document.body.style.getPropertyValue('--new-tab-title-size'),"
                                     " document.body.classList.contains('new-tab-page')].join('|')"))
                      .toString(),
                  QStringLiteral("1|%1px|%2px|true").arg(14 * c.zoom).arg(20 * c.zoom));
    }
}

TEST_F(TabArea, ANewTabPageThatDoesNotConfirmItsLayoutStaysHidden)
{
    QQuickItem* item = current();
    QObject* view = viewOf(item);
    MessageLog log;
    run(QStringLiteral("document.getElementById('page').remove(); true"));
    QMetaObject::invokeMethod(contentOf(item), "handleLoadingChanged", Q_ARG(QVariant, false));
    EXPECT_TRUE(waitUntil([&] { return log.contains(QtWarningMsg, QStringLiteral("New tab preparation failed; keeping the dark placeholder")); }));
    EXPECT_EQ(view->property("opacity").toDouble(), 0.0);
    EXPECT_EQ(contentOf(item)->property("color").value<QColor>(), TarnolixConstants::lightBlack());

    // A page that confirms comes back.
    QMetaObject::invokeMethod(view, "reload");
    EXPECT_TRUE(shown(item));
}

TEST_F(TabArea, ContentSettingsAndColourModeReachThePage)
{
    QQuickItem* item = current();
    TabStatus* tab = statusOf(item);
    run(QStringLiteral("window.__calls = []; ['showContent', 'hideContent', 'setColorMode'].forEach(function (f) {"
                       " window[f] = function (c) { window.__calls.push(f + ':' + c) } }); true"));
    Settings* settings = app().settings();
    settings->setShowSanskrit(false);
    settings->setShowDiacritic(false);
    settings->setShowWordByWord(false);
    settings->setShowTranslate(false);
    settings->setShowComment(false);
    settings->setShowComment(true);
    settings->setShowSanskrit(true);
    settings->setShowDiacritic(true);
    settings->setShowWordByWord(true);
    settings->setShowTranslate(true);
    // The application's colour mode follows the current tab's book mode.
    QString expected = QStringLiteral("hideContent:hide-sanskrit hideContent:hide-diacritic hideContent:hide-word-by-word "
                                      "hideContent:hide-translate hideContent:hide-comment showContent:hide-comment "
                                      "showContent:hide-sanskrit showContent:hide-diacritic showContent:hide-word-by-word "
                                      "showContent:hide-translate");
    const auto before = app().currentColorMode();
    tab->setBookMode(true);
    const auto reading = app().currentColorMode();
    tab->setBookMode(false);
    if (reading != before) {
        expected += QStringLiteral(" setColorMode:%1 setColorMode:%2")
                        .arg(app().constants()->convertColorModeToString(reading),
                             app().constants()->convertColorModeToString(before));
    }
    const int calls = expected.count(' ') + 1;
    EXPECT_TRUE(waitUntil([&] { return run(QStringLiteral("window.__calls.length")).toInt() >= calls; }));
    EXPECT_EQ(run(QStringLiteral("window.__calls.join(' ')")).toString(), expected);

}

TEST_F(TabArea, ANewWindowLinkOpensANewTabAndTheNewTabLogicStays)
{
    QQuickItem* first = current();
    TabStatus* tab = statusOf(first);
    QObject* logic = tab->pageLogic();
    ASSERT_NE(logic, nullptr);
    PageStatus* kind = tab->pageStatus();
    QMetaObject::invokeMethod(first, "openUrl", Q_ARG(QVariant, QUrl(QStringLiteral("tarnolix://newtab.ru"))));
    ASSERT_TRUE(waitUntil([&] { return tab->url().host() == QStringLiteral("newtab.ru"); }, 20000));
    ASSERT_TRUE(shown(first));
    EXPECT_EQ(tab->pageLogic(), logic);
    EXPECT_EQ(tab->pageStatus(), kind);

    run(QStringLiteral("window.open('tarnolix://newtab.en', '_blank'); true"));
    ASSERT_TRUE(waitUntil([&] { return count() == 2; }, 10000));
    QQuickItem* second = current();
    EXPECT_NE(second, first);
    ASSERT_TRUE(waitUntil([&] { return statusOf(second)->pageType() == UrlCreator::NewTab; }, 20000));
    EXPECT_TRUE(shown(second));

    // The interface language: the pages reload and every new tab is
    // retitled.
    for (QQuickItem* item : {first, second})
        statusOf(item)->pageStatus()->setTabTitle(QStringLiteral("x"));
    run(QStringLiteral("window.__marker = 1; true"));
    TranslatorMngr* translator = app().translatorMngr();
    const auto language = translator->language();
    translator->setLanguage(language == TarnolixConstants::English ? TarnolixConstants::Russian : TarnolixConstants::English);
    translator->setLanguage(language);
    for (QQuickItem* item : {first, second})
        EXPECT_EQ(statusOf(item)->pageStatus()->tabTitle(), NewTabStatus().tabTitle());
    EXPECT_TRUE(waitUntil([&] { return run(QStringLiteral("window.__marker === undefined")).toBool(); }, 20000));
    EXPECT_TRUE(shown(second));

    // Three titled new-tab pages, each served through its own tab's scheme
    // handler.
    QQuickItem* third = addTab();
    QMetaObject::invokeMethod(third, "openUrl", Q_ARG(QVariant, QUrl(QStringLiteral("tarnolix://newtab.en"))));
    ASSERT_TRUE(shown(third));
    EXPECT_EQ(statusOf(third)->pageType(), UrlCreator::NewTab);
    EXPECT_EQ(run(QStringLiteral("g_tabWebChannel.tabId")).toInt(), statusOf(third)->id());
    // Let the compositor deliver the page's frame first.
    run(QStringLiteral("document.body.offsetHeight"));
    waitUntil([] { return false; }, 400);
    EXPECT_FALSE(window->screenshot(QStringLiteral("tab-area-three-new-tabs")).isEmpty());
}

} // namespace

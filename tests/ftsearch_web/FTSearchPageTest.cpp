// The full-text page kind in a tab made here (no view): searches on the
// real thread pool over the test's index, the results page served again
// from the tab's search data, hidden hits, errors and the request answers.
#include "app/Tarnolix.h"
#include "pages/TarnolixSchemeHandler.h"
#include "pages/WebEngineContentRequest.h"
#include "searchpages/SRPage.h"
#include "tabs/FTSearchPageStatus.h"
#include "tabs/PageSearchData.h"
#include "tabs/TabStatus.h"
#include "tests/ftsearch_web/ResultsLibrary.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"

#include <QSignalSpy>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

#include <memory>

namespace tarnolix::test {
namespace {

constexpr auto kFinished = TarnolixConstants::SearchFinished;

// A tab and the page kind its page logic would make, loading URLs as the
// view does: loading, told the URL, filled when loaded.
struct Tab
{
    Tab() : tab(std::make_unique<TabStatus>()) {}

    FTSearchPageStatus* newPage()
    {
        delete page;
        page = new FTSearchPageStatus;
        page->setTabStatus(tab.get());
        tab->setPageStatus(page);
        page->initialize();
        return page;
    }
    // Starts loading `url`: the tab follows it; the page kind goes when the
    // URL is no results page.
    void startLoading(const QUrl& url)
    {
        tab->setPageLoading(true);
        tab->setUrl(url);
        if (tab->pageType() != UrlCreator::FTSearch) {
            delete page;
            page = nullptr;
        }
    }
    void finishLoading()
    {
        tab->setPageLoading(false);
        if (page)
            page->initializePage();
    }
    void open(const QUrl& url)
    {
        startLoading(url);
        if (!page)
            newPage();
        finishLoading();
    }
    bool searched() const { return waitUntil([&] { return page->status() == kFinished; }, 30000); }
    FTSearchData* data() const { return qobject_cast<FTSearchData*>(tab->searchDataStorage()->searchData()); }
    QUrl results(const char* query) const { return ResultsLibrary::resultsUrl(QString::fromUtf8(query), tab->id()); }
    SchemeHandlerTab::FullTextAnswer request(const QUrl& url)
    {
        return tab->fullTextSearch(UrlCreatorImpl::fromUrl(url), url);
    }

    ~Tab()
    {
        delete page;
        tab.reset();
    }

    std::unique_ptr<TabStatus> tab;
    FTSearchPageStatus* page = nullptr;
};

class FTSearchPage : public ::testing::Test
{
protected:
    void SetUp() override { s_library = &resultsLibrary(); }
    ResultsLibrary* s_library = nullptr;
};

QString itemIdOf(const QVariant& result)
{
    const QString html = result.toMap().value(QStringLiteral("html")).toString();
    const int start = html.indexOf(QLatin1String("id=\\\"")) + 5;
    return html.mid(start, html.indexOf(QLatin1Char('\\'), start) - start);
}

TEST_F(FTSearchPage, GoingToAHitAndBackRestoresTheStoredPageWithoutASearch)
{
    Tab t;
    t.open(t.results("alpha"));
    ASSERT_TRUE(t.searched());
    EXPECT_EQ(t.page->numberBooksFound(), 1);
    EXPECT_EQ(t.page->totalFreq(), ResultsLibrary::kHits);
    QStringList shown;
    for (int i = 0; i < 3; ++i)
        shown << itemIdOf(t.page->getNextSearchResult());
    t.page->setSearchResultFocusElement(shown[1], 40);
    const auto results = t.data()->searchResults();
    const auto& hits = std::dynamic_pointer_cast<BooksSearchResults>(results)->items()->items();

    // A hit of the page opened in the tab: the page kind goes (its thread
    // back to the pool), the data stays.
    t.startLoading(QUrl(hits[1]->update(t.tab->id())));
    ASSERT_EQ(t.page, nullptr);
    ASSERT_NE(t.data(), nullptr);
    const int pool = int(s_library->manager->poolSize());

    // Back: the tab loads the results URL again.
    MessageLog log;
    const QUrl url = t.results("alpha");
    t.startLoading(url);
    t.newPage();
    const SchemeHandlerTab::FullTextAnswer answer = t.request(url);
    ASSERT_TRUE(answer.work) << "the stored page answers the request";
    EXPECT_TRUE(t.page->resultsPageRestored());
    t.finishLoading();

    const QStringList info = log.texts(QtInfoMsg);
    const int allow = info.indexOf(QStringLiteral("tryRestoreSearchResultsPage: Allow"));
    const int restored = info.indexOf(QStringLiteral("Results page restored"));
    EXPECT_GE(allow, 0) << info.join('\n').toStdString();
    EXPECT_GT(restored, allow);
    EXPECT_EQ(t.page->searchThread(), nullptr) << "no search thread taken";
    EXPECT_EQ(int(s_library->manager->poolSize()), pool);
    EXPECT_EQ(t.page->status(), kFinished);
    EXPECT_EQ(t.data()->searchResults(), results);
    EXPECT_EQ(t.page->totalFreq(), ResultsLibrary::kHits);
    const QVariantMap focus = t.page->getSavedElemendScrollPositon().toMap();
    EXPECT_EQ(focus.value(QStringLiteral("id")).toString(), shown[1]);
    EXPECT_EQ(focus.value(QStringLiteral("yOffset")).toInt(), 40);
    // The walk goes on after the last hit on the page.
    EXPECT_EQ(itemIdOf(t.page->getNextSearchResult()), QString::number(hits[3]->id()));

    // The job serves the stored page: its three hits, none searched anew.
    const auto [type, page] = answer.work(UrlCreatorImpl::fromUrl(url));
    EXPECT_EQ(type, QByteArray("text/html"));
    for (const QString& id : shown)
        EXPECT_TRUE(page.contains(QStringLiteral("<div id=\"%1\"").arg(id).toUtf8())) << id.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("<div id=\"%1\"").arg(hits[4]->id()).toUtf8()));
}

TEST_F(FTSearchPage, TheRequestIsAnsweredAtOnceWhenTheStoredPageDoesNotFit)
{
    Tab t;
    t.open(t.results("alpha"));
    ASSERT_TRUE(t.searched());
    t.page->getNextSearchResult();

    const struct
    {
        const char* what;
        const char* query;
        bool loading;
    } cases[] = {
        {"another query", "beta", true},
        {"the same URL, but the tab is not loading it", "alpha", false},
    };
    for (const auto& c : cases) {
        const QUrl url = t.results(c.query);
        if (c.loading)
            t.startLoading(url);
        else
            t.tab->setPageLoading(false);
        const SchemeHandlerTab::FullTextAnswer answer = t.request(url);
        EXPECT_FALSE(answer.work) << c.what;
        EXPECT_TRUE(answer.page.contains("<div id=\"content\">\n</div>")) << c.what;
        EXPECT_FALSE(t.page->resultsPageRestored()) << c.what;
    }
}

TEST_F(FTSearchPage, AHitSteppedOverWhileHiddenAndShownSinceRefusesTheStoredPage)
{
    Tab t;
    t.open(t.results("alpha"));
    ASSERT_TRUE(t.searched());
    const auto& hits = std::dynamic_pointer_cast<BooksSearchResults>(t.data()->searchResults())->items()->items();
    QVariantList stretch;
    for (std::size_t i = 1; i <= 60; ++i)
        stretch.append(int(hits[i]->id()));
    t.page->setSearchResultsHidden(stretch, true);
    // The page takes hit 0, steps over the hidden stretch and takes hit 61.
    EXPECT_EQ(itemIdOf(t.page->getNextSearchResult()), QString::number(hits[0]->id()));
    EXPECT_EQ(itemIdOf(t.page->getNextSearchResult()), QString::number(hits[61]->id()));

    const QUrl url = t.results("alpha");
    t.startLoading(url);
    EXPECT_TRUE(t.request(url).work) << "hits ahead of the page are no obstacle";
    // Shown again, the stretch would be missing from the stored page.
    t.page->setSearchResultsHidden(stretch, false);
    EXPECT_TRUE(t.page->isHiddenResultsBecameVisible());
    EXPECT_FALSE(t.request(url).work);
    EXPECT_FALSE(t.page->resultsPageRestored());
}

TEST_F(FTSearchPage, TheRestoreJobOutlivesTheTabAndANewSearch)
{
    auto t = std::make_unique<Tab>();
    t->open(t->results("alpha"));
    ASSERT_TRUE(t->searched());
    const QString first = itemIdOf(t->page->getNextSearchResult());
    const QUrl url = t->results("alpha");
    t->startLoading(url);
    const SchemeHandlerTab::FullTextAnswer answer = t->request(url);
    ASSERT_TRUE(answer.work);

    // A new search replaces the page, then the tab closes, before the job runs.
    const int alphaSearch = t->page->getSearchId();
    t->open(t->results("beta"));
    ASSERT_TRUE(waitUntil(
        [&] { return t->page->getSearchId() != alphaSearch && t->page->status() == kFinished; }, 30000));
    t.reset();
    const auto result = QtConcurrent::run([&] { return answer.work(UrlCreatorImpl::fromUrl(url)); }).result();
    EXPECT_TRUE(std::get<1>(result).contains(QStringLiteral("<div id=\"%1\"").arg(first).toUtf8()));
}

TEST_F(FTSearchPage, TheSameQueryOnValidResultsReusesThem)
{
    Tab t;
    t.open(t.results("alpha"));
    ASSERT_TRUE(t.searched());
    const auto results = t.data()->searchResults();

    // A new page kind on the same URL, as after a reload.
    t.startLoading(t.results("alpha"));
    t.newPage();
    QSignalSpy status(t.page, &SearchPageStatus::statusChanged);
    t.finishLoading();
    EXPECT_EQ(t.page->status(), kFinished);
    EXPECT_EQ(status.count(), 1);
    EXPECT_EQ(t.page->searchThread(), nullptr);
    EXPECT_EQ(t.data()->searchResults(), results);
    EXPECT_TRUE(t.page->getNextSearchResult().isValid()) << "the hit pointer attached anew";
}

TEST_F(FTSearchPage, HidingHitsSkipsEntriesThatAreNoNumbersAndANewSearchShowsAll)
{
    Tab t;
    EXPECT_EQ(t.page, nullptr);
    t.open(t.results("alpha"));
    ASSERT_TRUE(t.searched());
    const QVariant first = t.page->getNextSearchResult();
    const QString firstId = itemIdOf(first);
    EXPECT_FALSE(first.toMap().value(QStringLiteral("hidden")).toBool());

    MessageLog log;
    const auto items = std::dynamic_pointer_cast<BooksSearchResults>(t.data()->searchResults())->items()->items();
    const int second = int(items[1]->id());
    t.page->setSearchResultsHidden({second, QStringLiteral("x"), QVariant()}, true);
    EXPECT_EQ(log.texts(QtWarningMsg).count(QStringLiteral("TabStatus::setSearchResultsHidden: docNumber convert error")),
              2);
    EXPECT_TRUE(t.data()->hiddenSearchResults()->bitMaskTest(second));
    const QVariantMap next = t.page->getNextSearchResult().toMap();
    EXPECT_EQ(itemIdOf(next), QString::number(second));
    EXPECT_TRUE(next.value(QStringLiteral("hidden")).toBool());
    // The escaped HTML is what the element holds, as a script literal.
    const auto& element = t.data()->searchPageState()->page->items().back();
    EXPECT_EQ(next.value(QStringLiteral("html")).toString(), PageStatus::escapeJS(element.html));
    EXPECT_EQ(t.page->visibleSearchResults(), (QVariantList{firstId.toInt(), second}));

    // Everything hidden: the long hidden rest is stepped over, and showing
    // it again is what asks the page for a reload.
    const QVariantList all = t.page->setSearchResultsHiddenAll();
    EXPECT_EQ(all, (QVariantList{firstId.toInt(), second}));
    EXPECT_FALSE(t.page->isHiddenResultsBecameVisible());
    EXPECT_FALSE(t.page->getNextSearchResult().isValid());
    EXPECT_EQ(t.page->setSearchResultsVisibleAll(), all);
    EXPECT_TRUE(t.page->isHiddenResultsBecameVisible());
    t.page->setSearchResultsHiddenAll();

    const int hiddenSearch = t.page->getSearchId();
    t.open(t.results("alpha OR beta"));
    ASSERT_TRUE(waitUntil(
        [&] { return t.page->getSearchId() != hiddenSearch && t.page->status() == kFinished; }, 30000));
    for (int i = 0; i < 12; ++i)
        EXPECT_FALSE(t.page->getNextSearchResult().toMap().value(QStringLiteral("hidden")).toBool()) << i;
}

TEST_F(FTSearchPage, WithoutResultsNothingIsHiddenAndNoFocusIsStored)
{
    Tab t;
    t.newPage();
    MessageLog log;
    t.page->setSearchResultsHidden({1}, true);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("SearchPageStatus::setSearchResultsHidden: getSearchId=0")));
    EXPECT_FALSE(t.page->getSavedElemendScrollPositon().isValid());
    EXPECT_FALSE(t.page->getNextSearchResult().isValid());
    EXPECT_TRUE(t.page->setSearchResultsHiddenAll().isEmpty());

    // A failed start still names the tab.
    t.finishLoading();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Start search error: searchSettings=0(0x12759332)")));
    EXPECT_EQ(t.page->tabTitle(), QStringLiteral("Поиск"));
    t.open(t.results("alpha"));
    EXPECT_EQ(t.page->tabTitle(), QStringLiteral("alpha - Поиск"));
    ASSERT_TRUE(t.searched());
    EXPECT_FALSE(t.page->getSavedElemendScrollPositon().isValid());
}

TEST_F(FTSearchPage, SearcherErrorsAndAChangedLibraryReachTheReader)
{
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    Tab t;
    t.open(t.results("alpha AND"));
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }, 30000));
    EXPECT_EQ(errors.at(0).at(0).toString(), QStringLiteral("Ошибка при поиске"));
    EXPECT_TRUE(errors.at(0).at(1).toString().startsWith(QStringLiteral("Ошибка в синтаксисе запроса: ")))
        << errors.at(0).at(1).toString().toStdString();
    EXPECT_NE(t.page->status(), kFinished);

    errors.clear();
    t.open(t.results("beta"));
    ASSERT_TRUE(t.searched());
    ASSERT_TRUE(t.data()->hasSearchResults());
    // The library changes under results that arrive late: they are dropped.
    s_library->library.addBook(3, {TarnolixConstants::English}, {QStringLiteral("gamma")});
    EXPECT_FALSE(t.data()->hasSearchResults());
    t.page->searchThreadStatusChanged(kFinished);
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }));
    EXPECT_EQ(errors.last().at(1).toString(),
              QStringLiteral("Библиотека изменилась или недоступна. Повторите поиск после обновления."));
    EXPECT_NE(t.page->status(), kFinished);
    EXPECT_EQ(t.page->numberBooksFound(), 0);
}

class FakeRequest : public WebEngineContentRequest
{
public:
    FakeRequest(QObject* parent, const QUrl& url) : WebEngineContentRequest(nullptr, parent), url(url) {}
    QByteArray requestMethod() const override { return "GET"; }
    QUrl requestUrl() const override { return url; }
    QUrl initiator() const override { return {}; }
    void reply(const QByteArray& type, const QByteArray& bytes) override
    {
        mimeType = type;
        data = bytes;
    }
    void fail(qint32 code) override { failCode = code; }

    QUrl url;
    QByteArray mimeType;
    QByteArray data;
    qint32 failCode = -1;
};

TEST_F(FTSearchPage, TheHandlerNeedsSettingsAndRepliesThePageOfTheTab)
{
    Tab t;
    TarnolixSchemeHandler handler(t.tab.get(), nullptr);
    // Every URL of the kind parses with settings: a request model without
    // them comes only from code.
    UrlCreatorImpl bare;
    bare.setQueryType(UrlCreator::FTSearch);
    bare.setLanguage(TarnolixConstants::English);
    FakeRequest unanswered(nullptr, t.results("alpha"));
    EXPECT_EQ(thrownText([&] { handler.fullTextSearch({unanswered, bare}); }), QStringLiteral("ERROR 0x54652388"));
    EXPECT_EQ(unanswered.failCode, -1);
    EXPECT_TRUE(unanswered.data.isEmpty());

    auto* request = new FakeRequest(&handler, t.results("alpha"));
    handler.dispatchRequest(request);
    EXPECT_EQ(request->failCode, -1);
    EXPECT_EQ(request->mimeType, QByteArray("text/html"));
    EXPECT_TRUE(request->data.contains("<div id=\"content\">\n</div>"));
}

} // namespace
} // namespace tarnolix::test

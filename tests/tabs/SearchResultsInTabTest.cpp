// Search data holding real search results: valid while the library they
// were found in stays as it is, shared by clones (each with a mask of its
// own, which its hit pointer skips by), kept for a hit opened in the same
// tab and cloned into a tab opened from another tab's finished search, the
// hit pointer standing on the hit opened.
#include "app/Tarnolix.h"
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/SearchResultsPointer.h"
#include "tabs/PageSearchData.h"
#include "tabs/SearchDataStorage.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestSupport.h"
#include "tests/tabs/TabFixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

using namespace tarnolix::test;
using C = TarnolixConstants;

// Results of a family that keeps no library stamp.
class GlossaryStatus : public tarnolix::SearchStatus
{
public:
    using SearchStatus::SearchStatus;
    C::SearchType searchType() const override { return C::GlossarySearch; }
};

class GlossaryResults : public tarnolix::SearchResults2
{
public:
    C::SearchType searchType() const override { return C::GlossarySearch; }
};

// `settings` null: a status that kept none.
std::shared_ptr<GlossaryResults> glossaryResults(SearchSettingsConstPtr settings = std::make_shared<FakeGlossary>())
{
    auto results = std::make_shared<GlossaryResults>();
    tarnolix::SearchResults2::registerResults(results, std::make_shared<GlossaryStatus>(std::move(settings)));
    return results;
}

// The hit id an address names; 0 for no address.
int hitOf(const QString& url)
{
    if (url.isEmpty())
        return 0;
    int srItemId = -1;
    UrlCreatorImpl::fromString(url).pathComponents(nullptr, nullptr, nullptr, &srItemId, nullptr, nullptr);
    return srItemId;
}

// The hits the pointer gives going forward from where it stands.
std::vector<int> hitsAhead(tarnolix::SearchResultsPointer& pointer, int tabId)
{
    std::vector<int> hits;
    for (int hit = hitOf(pointer.getNextUrl(tabId)); hit != 0; hit = hitOf(pointer.getNextUrl(tabId)))
        hits.push_back(hit);
    return hits;
}

using SearchResultsInTab = TabFixture;

TEST_F(SearchResultsInTab, BookSearchResultsHoldUntilTheLibraryChanges)
{
    FTSearchData fullText(nullptr);
    GlossarySearchData glossary(nullptr);
    QSignalSpy changed(&fullText, &PageSearchData::searchResultsChanged);
    const auto results = fullTextResults(QStringLiteral("рама"));
    fullText.setSearchResults(results);
    fullText.setSearchResults(results);
    EXPECT_EQ(changed.count(), 1);
    glossary.setSearchResults(glossaryResults());
    EXPECT_TRUE(fullText.hasSearchResults());
    EXPECT_TRUE(glossary.hasSearchResults());

    // A book added to the library: the full-text hits may no longer be all.
    addBook(80, "novaya", {{kRu, "Новая"}});
    EXPECT_FALSE(fullText.hasSearchResults());
    EXPECT_TRUE(glossary.hasSearchResults());
}

TEST_F(SearchResultsInTab, ACloneSharesTheResults)
{
    WBWSearchData source(nullptr);
    source.setSearchResults(wordByWordResults());
    QObject owner;
    PageSearchData* copy = source.clone(&owner, nullptr);
    EXPECT_EQ(copy->searchResults(), source.searchResults());
    EXPECT_TRUE(copy->hasSearchResults());

    // Into an existing target: it takes the results and says so.
    WBWSearchData target(nullptr);
    QSignalSpy changed(&target, &PageSearchData::searchResultsChanged);
    EXPECT_EQ(source.clone(nullptr, &target), &target);
    EXPECT_EQ(target.searchResults(), source.searchResults());
    EXPECT_EQ(changed.count(), 1);
    source.clone(nullptr, &target);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(SearchResultsInTab, TheMaskTakesTheHitsOfTheResultsHeld)
{
    FTSearchData data(nullptr);
    tarnolix::HiddenSearchResults& mask = *data.hiddenSearchResults();
    // No results yet: no hit to hide.
    mask.bitMaskSet(2, true);
    EXPECT_FALSE(mask.bitMaskTest(2));

    data.setSearchResults(fullTextHits(3));
    mask.bitMaskSet(2, true);
    mask.bitMaskSet(4, true); // beyond the hits
    EXPECT_TRUE(mask.bitMaskTest(2));
    EXPECT_FALSE(mask.bitMaskTest(4));
    EXPECT_EQ(mask.length(), 3u);

    // Other results without hits: a stray id grows nothing.
    data.setSearchResults(fullTextResults(QStringLiteral("рама")));
    mask.bitMaskSet(1000, true);
    EXPECT_EQ(mask.length(), 3u);
}

TEST_F(SearchResultsInTab, ACloneCopiesTheMaskAndItsPointerSkipsByTheCopy)
{
    FTSearchData source(nullptr);
    source.setSearchResults(fullTextHits(4));
    source.hiddenSearchResults()->bitMaskSet(4, true);
    QObject owner;
    auto* copy = qobject_cast<FTSearchData*>(source.clone(&owner, nullptr));
    ASSERT_NE(copy, nullptr);
    tarnolix::HiddenSearchResults& copied = *copy->hiddenSearchResults();
    ASSERT_NE(&copied, source.hiddenSearchResults().get());
    EXPECT_TRUE(copied.bitMaskTest(4));
    EXPECT_FALSE(copied.bitMaskTest(3));

    // Each side hides and shows on its own.
    copied.bitMaskSet(3, true);
    source.hiddenSearchResults()->bitMaskSet(4, false);
    EXPECT_FALSE(source.hiddenSearchResults()->bitMaskTest(3));
    EXPECT_TRUE(copied.bitMaskTest(4));

    // The clone's pointer walks the shared results and skips what the clone
    // hides (3 and 4), not what the source does (nothing now).
    tarnolix::SearchResultsPointer* pointer = copy->searchResultsPointer();
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(copy->property("searchResultsPointer").value<tarnolix::SearchResultsPointer*>(), pointer);
    EXPECT_EQ(pointer->parent(), copy);
    EXPECT_EQ(hitsAhead(*pointer, tab->id()), (std::vector<int>{1, 2}));

    // Data cloned before any search: a pointer with nothing to walk, quietly.
    const WBWSearchData empty(nullptr);
    MessageLog log;
    auto* emptyCopy = qobject_cast<PageBooksSearchData*>(empty.clone(&owner, nullptr));
    ASSERT_NE(emptyCopy, nullptr);
    EXPECT_FALSE(emptyCopy->searchResultsPointer()->hasNext());
    EXPECT_EQ(emptyCopy->searchResultsPointer()->getNextUrl(tab->id()), QString());
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty()) << log.texts(QtWarningMsg).join('\n').toStdString();
}

TEST_F(SearchResultsInTab, TheStorageFollowsItsDataAndGivesItsSearchUrl)
{
    SearchDataStorage& storage = *tab->searchDataStorage();
    auto* data = new FTSearchData(tab.get());
    storage.setSearchData(data);
    QSignalSpy resultsChanged(&storage, &SearchDataStorage::hasSearchResultsChanged);
    data->setSearchResults(fullTextResults(QStringLiteral("кришна")));
    EXPECT_EQ(resultsChanged.count(), 1);
    EXPECT_TRUE(storage.hasSearchResults());

    const UrlCreatorImpl search = UrlCreatorImpl::fromString(storage.getSearchUrl());
    EXPECT_EQ(search.queryType(), UrlCreator::FTSearch);
    EXPECT_EQ(search.language(), C::Russian);
    EXPECT_EQ(search.tabId(), tab->id());
    const auto* settings = dynamic_cast<const tarnolix::FTSearchSettings*>(search.searchSettings().get());
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->query(), QStringLiteral("кришна"));

    // Results whose status kept no settings: no search URL, and the reason
    // reported rather than thrown into the page script.
    auto* unsettled = new GlossarySearchData(tab.get());
    unsettled->setSearchResults(glossaryResults(nullptr));
    storage.setSearchData(unsettled);
    EXPECT_FALSE(storage.hasSearchResults());
    MessageLog log;
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    EXPECT_EQ(storage.getSearchUrl(), QString());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("getSearchUrl: INVALID SEARCH TYPE(0x54456215)")));
    ASSERT_TRUE(waitUntil([&] { return errors.count() > 0; }, 2000)); // the notice is queued
    EXPECT_TRUE(errors.first().at(1).toString().startsWith(QStringLiteral("INVALID SEARCH TYPE(0x54456215)")));
}

TEST_F(SearchResultsInTab, AHitOpenedInThisTabKeepsTheSearch)
{
    auto* data = new FTSearchData(tab.get());
    data->setSearchResults(fullTextHits(4));
    data->searchResultsPointer()->setResults(data->searchResults(), data->hiddenSearchResults());
    tab->searchDataStorage()->setSearchData(data);
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-77/Section-r-2/SRItemId-3?catalogTab=Names&tabId=%1"));
    EXPECT_EQ(tab->srItemId(), 3);
    EXPECT_EQ(tab->searchDataStorage()->searchData(), data);
    // The pointer stands on the hit opened.
    EXPECT_EQ(hitOf(data->searchResultsPointer()->getPreviousUrl(tab->id())), 2);

    // Once the library changed the results no longer serve a page.
    addBook(80, "novaya", {{kRu, "Новая"}});
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-77/Section-r-3/SRItemId-4?catalogTab=Names&tabId=%1"));
    EXPECT_EQ(tab->searchDataStorage()->searchData(), nullptr);
}

// Hit ids are document numbers: the library's first document is hit 0.
TEST_F(SearchResultsInTab, HitZeroIsAHitAndAPathWithoutAHitIsNone)
{
    auto* data = new FTSearchData(tab.get());
    data->setSearchResults(fullTextHits(3, 0));
    data->searchResultsPointer()->setResults(data->searchResults(), data->hiddenSearchResults());
    tab->searchDataStorage()->setSearchData(data);
    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-77/Section-r-2?catalogTab=Names&tabId=%1"));
    EXPECT_EQ(tab->srItemId(), -1);
    EXPECT_EQ(hitOf(data->searchResultsPointer()->getNextUrl(tab->id())), 0) << "the pointer stays at the start";

    tab->setUrl(tabUrl("tarnolix://openbook.ru/Book-77/Section-r-2/SRItemId-0?catalogTab=Names&tabId=%1"));
    EXPECT_EQ(tab->srItemId(), 0);
    EXPECT_EQ(tab->searchDataStorage()->searchData(), data);
    // The pointer stands on hit 0: the next is hit 1.
    EXPECT_EQ(hitOf(data->searchResultsPointer()->getNextUrl(tab->id())), 1);
}

TEST_F(SearchResultsInTab, AHitOpenedFromAnotherTabsFinishedSearchGetsAClone)
{
    TabStatus searchTab;
    FakeSearchPage page(UrlCreator::FTSearch);
    searchTab.setPageStatus(&page);
    auto* searched = new FTSearchData(&searchTab);
    searched->setSearchResults(fullTextHits(4));
    searched->hiddenSearchResults()->bitMaskSet(2, true);
    searchTab.searchDataStorage()->setSearchData(searched);
    const QUrl hit(QStringLiteral("tarnolix://openbook.ru/Book-77/Section-r-2/SRItemId-3?catalogTab=Names&tabId=%1")
                       .arg(searchTab.id()));

    // Still searching: nothing to take.
    page.setStatus(C::Searching);
    MessageLog log;
    tab->setUrl(hit);
    EXPECT_EQ(tab->searchDataStorage()->searchData(), nullptr);
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("tryRestoreSearchResults: page status not found!")));

    // Finished: a copy of its own, owned by this tab, with the same results.
    page.setStatus(C::SearchFinished);
    tab->setUrl(QUrl(QStringLiteral("tarnolix://newtab.ru")));
    tab->setUrl(hit);
    PageSearchData* copy = tab->searchDataStorage()->searchData();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, searched);
    EXPECT_EQ(copy->parent(), tab.get());
    EXPECT_STREQ(copy->metaObject()->className(), "FTSearchData");
    EXPECT_EQ(copy->searchResults(), searched->searchResults());
    EXPECT_TRUE(tab->searchDataStorage()->hasSearchResults());
    EXPECT_EQ(searchTab.searchDataStorage()->searchData(), searched);
    // Its pointer stands on the hit opened and skips the hit hidden there.
    auto* books = qobject_cast<PageBooksSearchData*>(copy);
    ASSERT_NE(books, nullptr);
    EXPECT_EQ(hitOf(books->searchResultsPointer()->getPreviousUrl(tab->id())), 1);
    searchTab.setPageStatus(nullptr);
}

} // namespace

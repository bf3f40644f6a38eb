// A tab's search storage: holding and forgetting search data, and deciding
// on each new page whether the stored search still serves it.
#include "pages/UrlCreatorImpl.h"
#include "tabs/PageSearchData.h"
#include "tabs/SearchDataStorage.h"
#include "tabs/TabStatus.h"
#include "tests/support/MessageLog.h"
#include "tests/tabs/TabFakes.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using namespace tarnolix::test;
using C = TarnolixConstants;

UrlCreatorImpl request(UrlCreator::QueryType kind, C::Language language, int tabId)
{
    UrlCreatorImpl r;
    r.setQueryType(kind);
    r.setLanguage(language);
    r.setCatalogTab(C::Names);
    r.setItemPathItems({{C::Book, 77}, {C::Section, QStringLiteral("r-2")}, {C::SRItemId, 5}});
    r.setTabId(tabId);
    return r;
}

TEST(SearchDataStorage, HoldsDataUntilClearedOrDestroyed)
{
    TabStatus tab;
    SearchDataStorage& storage = *tab.searchDataStorage();
    QSignalSpy dataChanged(&storage, &SearchDataStorage::searchDataChanged);
    QSignalSpy resultsChanged(&storage, &SearchDataStorage::hasSearchResultsChanged);
    EXPECT_EQ(storage.searchData(), nullptr);
    EXPECT_FALSE(storage.hasSearchResults());
    EXPECT_EQ(storage.getSearchUrl(), QString());

    auto data = std::make_unique<WBWSearchData>(&tab);
    storage.setSearchData(data.get());
    storage.setSearchData(data.get());
    EXPECT_EQ(dataChanged.count(), 1);
    EXPECT_EQ(resultsChanged.count(), 1);
    EXPECT_EQ(storage.property("searchData").value<PageSearchData*>(), data.get());
    EXPECT_FALSE(storage.hasSearchResults()); // data without results
    EXPECT_EQ(storage.getSearchUrl(), QString());

    // Destroyed: forgotten, and bindings on both properties follow.
    data.reset();
    EXPECT_EQ(storage.searchData(), nullptr);
    EXPECT_EQ(dataChanged.count(), 2);
    EXPECT_EQ(resultsChanged.count(), 2);

    // A replaced object's end is no longer the storage's business.
    auto first = std::make_unique<GlossarySearchData>(nullptr);
    GlossarySearchData second(nullptr);
    storage.setSearchData(first.get());
    storage.setSearchData(&second);
    first.reset();
    EXPECT_EQ(storage.searchData(), &second);
    storage.setSearchData(nullptr);
    EXPECT_EQ(storage.searchData(), nullptr);
    EXPECT_EQ(dataChanged.count(), 5);
}

class TryRestore : public ::testing::Test
{
protected:
    // Stores fresh data in this tab, applies `url`, and says whether any data is left.
    bool kept(const UrlCreatorImpl& url)
    {
        tab.searchDataStorage()->setSearchData(new FTSearchData(&tab));
        tab.searchDataStorage()->tryRestoreSearchResults(url);
        return tab.searchDataStorage()->searchData() != nullptr;
    }

    TabStatus tab;
    TabStatus other;
};

TEST_F(TryRestore, ARequestWithoutKindLanguageOrTabClearsTheStorage)
{
    MessageLog log;
    EXPECT_FALSE(kept(request(UrlCreator::InvalidQuery, C::Russian, tab.id())));
    EXPECT_FALSE(kept(request(UrlCreator::OpenBook, C::InvalidLanguage, tab.id())));
    EXPECT_FALSE(kept(request(UrlCreator::OpenBook, C::Russian, 0)));
    // Made in this tab, but the data holds no valid results.
    EXPECT_FALSE(kept(request(UrlCreator::OpenBook, C::Russian, tab.id())));
    EXPECT_TRUE(log.texts(QtWarningMsg).isEmpty());
}

TEST_F(TryRestore, AnotherTabMustHaveAFinishedSearchWithResults)
{
    FakeSearchPage searching(UrlCreator::FTSearch);
    searching.setStatus(C::Searching);
    FakeSearchPage favorites(UrlCreator::FavoritesSearch);
    favorites.setStatus(C::SearchFinished);
    FakePage book(UrlCreator::OpenBook);
    FakeSearchPage finished(UrlCreator::FTSearch);
    finished.setStatus(C::SearchFinished);

    struct Case
    {
        const char* name;
        int tabId;
        PageStatus* page;
        const char* warning;
    };
    const char* const notFound = "tryRestoreSearchResults: page status not found!";
    const Case cases[] = {
        {"missing tab", 999, nullptr, notFound},
        {"no page kind", other.id(), nullptr, notFound},
        {"still searching", other.id(), &searching, notFound},
        {"not a search page", other.id(), &book, notFound},
        {"favorites search", other.id(), &favorites, notFound},
        {"finished, no data", other.id(), &finished, "tryRestoreSearchResults: otherSearchData is null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        other.setPageStatus(c.page);
        MessageLog log;
        EXPECT_FALSE(kept(request(UrlCreator::OpenBook, C::Russian, c.tabId)));
        EXPECT_EQ(log.texts(QtWarningMsg).filter(QStringLiteral("tryRestoreSearchResults")),
                  QStringList(QString::fromLatin1(c.warning)));
    }

    // Finished, with data whose results are gone: nothing to clone.
    other.searchDataStorage()->setSearchData(new FTSearchData(&other));
    other.setPageStatus(&finished);
    MessageLog log;
    EXPECT_FALSE(kept(request(UrlCreator::OpenBook, C::Russian, other.id())));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("tryRestoreSearchResults: otherSearchData is null")));
    other.setPageStatus(nullptr);
}

} // namespace

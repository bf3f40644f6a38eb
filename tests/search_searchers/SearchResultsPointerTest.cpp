// Stepping through the visible hits of a result set.
#include "pages/UrlCreatorImpl.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/GlossarySearchRecords.h"
#include "search/searchers/HiddenSearchResults.h"
#include "search/searchers/SearchResultsPointer.h"
#include "tests/models/CatalogLibrary.h"
#include "tests/support/MessageLog.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <numeric>

using namespace tarnolix;
using C = TarnolixConstants;
using tarnolix::test::MessageLog;

namespace {

constexpr int kTab = 4;

// The hit id an address names; 0 for no address.
int hitOf(const QString& url)
{
    if (url.isEmpty())
        return 0;
    int srItemId = -1;
    UrlCreatorImpl::fromString(url).pathComponents(nullptr, nullptr, nullptr, &srItemId, nullptr, nullptr);
    return srItemId;
}

std::vector<uint32_t> range(uint32_t first, uint32_t last)
{
    std::vector<uint32_t> ids(last - first + 1);
    std::iota(ids.begin(), ids.end(), first);
    return ids;
}

class GlossaryResults : public SearchResults2
{
public:
    C::SearchType searchType() const override { return C::GlossarySearch; }
};

class SearchResultsPointerTest : public test::CatalogLibrary
{
protected:
    // A full-text result set of `count` hits with ids 1..count in one
    // section, and its mask.
    void makeHits(uint32_t count)
    {
        status = std::make_shared<FTSearchStatus>(std::make_shared<FTSearchSettings>(kRu), nullptr);
        results = FTSearchResults::create(status);
        const auto book = std::make_shared<FTSRBook>(status, 101);
        section = std::make_shared<FTSRSection>(book, QStringLiteral("101.1.1"));
        const auto entity = std::make_shared<FTSREntity>(0);
        auto items = std::make_shared<SRItemsContainer>();
        for (uint32_t id = 1; id <= count; ++id)
            items->append(std::make_shared<FTSRItem>(section, entity, 0, id, 1.0));
        results->setBooks({book}, {{101u, book}}, items);
        hidden = std::make_shared<HiddenSearchResults>(largestHitId(*results));
        pointer.setResults(results, hidden);
    }
    void hide(uint32_t first, uint32_t last, bool hide = true)
    {
        for (uint32_t id = first; id <= last; ++id)
            hidden->bitMaskSet(int32_t(id), hide);
    }
    int next() { return hitOf(pointer.getNextUrl(kTab)); }
    int previous() { return hitOf(pointer.getPreviousUrl(kTab)); }

    std::shared_ptr<FTSearchStatus> status;
    std::shared_ptr<FTSearchResults> results;
    std::shared_ptr<FTSRSection> section;
    std::shared_ptr<HiddenSearchResults> hidden;
    SearchResultsPointer pointer{true};
};

} // namespace

TEST_F(SearchResultsPointerTest, StepsThroughTheVisibleHitsAndBack)
{
    makeHits(6);
    hide(3, 4);
    EXPECT_TRUE(pointer.hasNext());
    EXPECT_FALSE(pointer.hasPrevious());
    EXPECT_EQ(previous(), 0);

    EXPECT_EQ(next(), 1);
    EXPECT_FALSE(pointer.hasPrevious());
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(next(), 5);
    EXPECT_TRUE(pointer.hasPrevious());
    EXPECT_EQ(previous(), 2);
    EXPECT_EQ(previous(), 1);
    EXPECT_EQ(previous(), 0);
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(next(), 5);
    EXPECT_EQ(next(), 6);
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_EQ(next(), 0);
    // Short stretches of hidden hits are stepped over, not queued.
    EXPECT_TRUE(pointer.queuedIds().empty());
    // The address is the hit's page for the tab.
    EXPECT_TRUE(pointer.getPreviousUrl(kTab).contains(QStringLiteral("tabId=%1").arg(kTab)));
}

TEST_F(SearchResultsPointerTest, ALongHiddenStretchIsQueuedInOneStep)
{
    makeHits(60);
    hide(2, 59);
    EXPECT_EQ(next(), 1);
    EXPECT_EQ(next(), 60);
    EXPECT_EQ(pointer.queuedIds(), range(2, 59));
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_TRUE(pointer.hasPrevious());

    // A queued hit shown again is passed over backwards...
    hide(30, 30, false);
    EXPECT_EQ(previous(), 1);
    EXPECT_FALSE(pointer.hasPrevious());
    // ...until a step forward drops it (and what was queued before it) from
    // the queue: then it is met on the way.
    EXPECT_EQ(next(), 30);
    EXPECT_EQ(pointer.queuedIds(), range(31, 59));
    EXPECT_TRUE(pointer.hasPrevious());
    EXPECT_EQ(previous(), 1);
    EXPECT_EQ(next(), 30);
    EXPECT_EQ(next(), 60);
}

TEST_F(SearchResultsPointerTest, AtTheEndAQueuedHitShownAgainComesNext)
{
    makeHits(60);
    hide(2, 59);
    EXPECT_EQ(next(), 1);
    EXPECT_EQ(next(), 60);
    hide(30, 30, false);
    EXPECT_TRUE(pointer.hasPrevious());
    EXPECT_TRUE(pointer.hasNext());
    EXPECT_EQ(next(), 30);
    EXPECT_EQ(pointer.queuedIds(), range(31, 59));
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_TRUE(pointer.hasPrevious());
    EXPECT_EQ(previous(), 30);
}

TEST_F(SearchResultsPointerTest, WithoutQueueingEveryHiddenHitIsSteppedOn)
{
    SearchResultsPointer plain(false);
    makeHits(60);
    hide(2, 59);
    plain.setResults(results, hidden);
    EXPECT_EQ(hitOf(plain.getNextUrl(kTab)), 1);
    EXPECT_EQ(hitOf(plain.getNextUrl(kTab)), 60);
    EXPECT_TRUE(plain.queuedIds().empty());
    EXPECT_EQ(hitOf(plain.getPreviousUrl(kTab)), 1);
}

TEST_F(SearchResultsPointerTest, NothingToWalk)
{
    // Nothing set, every hit hidden, cleared, results of another family.
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_FALSE(pointer.hasPrevious());
    EXPECT_TRUE(pointer.getNextUrl(kTab).isEmpty());
    EXPECT_TRUE(pointer.getPreviousUrl(kTab).isEmpty());
    EXPECT_FALSE(pointer.seek(1));

    makeHits(60);
    hidden->bitMaskFillAll();
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_FALSE(pointer.hasPrevious());
    EXPECT_EQ(next(), 0);
    EXPECT_EQ(previous(), 0);
    ASSERT_TRUE(pointer.seek(30));
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_FALSE(pointer.hasPrevious());
    EXPECT_EQ(next(), 0);
    EXPECT_EQ(previous(), 0);

    QSignalSpy changed(&pointer, &SearchResultsPointer::changed);
    pointer.clear();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(pointer.seek(1));
    EXPECT_EQ(next(), 0);

    for (const std::shared_ptr<SearchResults2>& other :
         std::vector<std::shared_ptr<SearchResults2>>{std::make_shared<GlossaryResults>(), nullptr}) {
        MessageLog log;
        pointer.setResults(other, hidden);
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("FATAL ERROR 0x81741275")));
        EXPECT_FALSE(pointer.hasNext());
        EXPECT_EQ(next(), 0);
        EXPECT_TRUE(pointer.seek(1)); // something to walk, with nothing in it
    }
}

TEST_F(SearchResultsPointerTest, SeekMovesToAHitOrToNoHit)
{
    makeHits(60);
    hide(2, 59);
    QSignalSpy changed(&pointer, &SearchResultsPointer::changed);
    EXPECT_FALSE(pointer.hasPrevious());
    ASSERT_TRUE(pointer.seek(60));
    EXPECT_EQ(changed.count(), 1);
    // The answers follow the new place.
    EXPECT_TRUE(pointer.hasPrevious());
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_EQ(previous(), 1);
    EXPECT_EQ(changed.count(), 2); // the step back moved too
    ASSERT_TRUE(pointer.seek(1));
    EXPECT_EQ(changed.count(), 2);

    MessageLog log;
    ASSERT_TRUE(pointer.seek(999));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("SearchResultsPointer::seek: srItem not found!")));
    EXPECT_EQ(changed.count(), 3);
    EXPECT_FALSE(pointer.hasNext());
    EXPECT_FALSE(pointer.hasPrevious());
    EXPECT_EQ(next(), 0);
    EXPECT_EQ(previous(), 0);

    // With no current hit only a queued hit shown again can still come.
    ASSERT_TRUE(pointer.seek(1));
    EXPECT_EQ(next(), 60);
    ASSERT_TRUE(pointer.seek(999));
    hide(45, 45, false);
    EXPECT_EQ(next(), 45);
    EXPECT_EQ(next(), 0);
}

TEST_F(SearchResultsPointerTest, AStepForwardTellsTheButtons)
{
    makeHits(3);
    QSignalSpy changed(&pointer, &SearchResultsPointer::changed);
    EXPECT_EQ(next(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_TRUE(pointer.hasPrevious());
    EXPECT_EQ(next(), 3);
    EXPECT_EQ(next(), 0);
    EXPECT_EQ(changed.count(), 3); // nothing moved
}

TEST_F(SearchResultsPointerTest, AFailedAddressIsLoggedAndShown)
{
    makeHits(2);
    // The hits hold their section weakly: gone, they have no address.
    section.reset();
    MessageLog log;
    EXPECT_TRUE(pointer.getNextUrl(kTab).isEmpty());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("SearchResultsPointer::getNextUrl: ")));
    ASSERT_TRUE(pointer.seek(2));
    EXPECT_TRUE(pointer.getPreviousUrl(kTab).isEmpty());
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("SearchResultsPointer::getPreviousUrl: ")));
    EXPECT_EQ(services.errors.size(), 2);
}

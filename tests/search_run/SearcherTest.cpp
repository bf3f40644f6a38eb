// The searcher base: its state, its count poll and the order of its signals.
#include "search/searchers/Searcher.h"

#include "tests/support/TestSupport.h"

#include <QAbstractEventDispatcher>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarnolix;
using tarnolix::test::waitUntil;

namespace {

constexpr auto kInvalid = TarnolixConstants::InvalidSearchStatus;
constexpr auto kSearching = TarnolixConstants::Searching;
constexpr auto kFinished = TarnolixConstants::SearchFinished;

class CountingSearcher : public Searcher
{
public:
    TarnolixConstants::SearchType searchType() const override { return TarnolixConstants::FullText; }
    SearchSettingsConstPtr searchSettings() const override { return nullptr; }
    std::shared_ptr<SearchResults2> searchResults() const override { return nullptr; }
    bool search(SearchSettingsConstPtr) override { return true; }
    void getNumberOfResults(int& books, int& items, int& freq) override
    {
        ++polls;
        books = this->books;
        items = this->items;
        if (knowsFreq)
            freq = this->freq;
    }

    using Searcher::setStatus;
    int timers() const { return QAbstractEventDispatcher::instance()->registeredTimers(const_cast<CountingSearcher*>(this)).size(); }

    int books = 0;
    int items = 0;
    int freq = 0;
    bool knowsFreq = true;
    int polls = 0;
};

TEST(SearcherTest, ASearchPollsOnOneTimerAndPublishesItsFinalCountsBeforeItsEnd)
{
    CountingSearcher searcher;
    QSignalSpy status(&searcher, &Searcher::statusChanged);
    QSignalSpy items(&searcher, &Searcher::numberItemsFoundChanged);
    QSignalSpy freq(&searcher, &Searcher::totalFreqChanged);
    EXPECT_EQ(searcher.timers(), 0);

    searcher.setStatus(kSearching);
    searcher.setStatus(kSearching);
    EXPECT_EQ(status.count(), 1);
    EXPECT_EQ(searcher.timers(), 1);

    // Counts grow while it runs; a value the subclass does not know stays.
    searcher.items = 3;
    searcher.knowsFreq = false;
    ASSERT_TRUE(waitUntil([&] { return items.count() == 1; }, 2000));
    EXPECT_EQ(searcher.numberItemsFound(), 3);
    EXPECT_EQ(freq.count(), 0);

    int itemsWhenEnded = -1;
    QObject::connect(&searcher, &Searcher::statusChanged, [&](TarnolixConstants::SearchStatus s) {
        if (s == kFinished)
            itemsWhenEnded = searcher.numberItemsFound();
    });
    searcher.items = 5;
    searcher.books = 2;
    searcher.setStatus(kFinished);
    EXPECT_EQ(itemsWhenEnded, 5);
    EXPECT_EQ(searcher.numberBooksFound(), 2);
    EXPECT_EQ(searcher.timers(), 0);
    EXPECT_EQ(status.count(), 2);

    // Idle: no poll, no count signal.
    const int polls = searcher.polls;
    searcher.items = 9;
    QTest::qWait(250);
    EXPECT_EQ(searcher.polls, polls);
    EXPECT_EQ(searcher.numberItemsFound(), 5);
}

TEST(SearcherTest, AnEndWithTheLastPolledCountsOrWithoutASearchingStateEmitsOnlyTheState)
{
    CountingSearcher searcher;
    QSignalSpy status(&searcher, &Searcher::statusChanged);
    QSignalSpy books(&searcher, &Searcher::numberBooksFoundChanged);
    QSignalSpy items(&searcher, &Searcher::numberItemsFoundChanged);

    // Finished straight from invalid: one count update, no timer.
    searcher.items = 4;
    searcher.setStatus(kFinished);
    EXPECT_EQ(searcher.timers(), 0);
    EXPECT_EQ(items.count(), 1);
    EXPECT_EQ(searcher.polls, 1);
    EXPECT_EQ(status.count(), 1);

    // A search whose end finds the counts of its last poll.
    searcher.setStatus(kSearching);
    searcher.items = 6;
    ASSERT_TRUE(waitUntil([&] { return items.count() == 2; }, 2000));
    searcher.setStatus(kInvalid);
    EXPECT_EQ(items.count(), 2);
    EXPECT_EQ(books.count(), 0);
    EXPECT_EQ(status.count(), 3);
    EXPECT_EQ(searcher.timers(), 0);
}

} // namespace

// The mask of hidden hits: stored bits, the value for every id beyond them,
// and the bound that keeps stray ids from growing it.
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/HiddenSearchResults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <string>
#include <thread>

using namespace tarnolix;

namespace {

constexpr int32_t kMaxId = 5000;

// Ids 0..limit read `expected` except those in `except`, which read the
// opposite.
void expectIds(const HiddenSearchResults& mask, int32_t limit, bool expected, std::initializer_list<int32_t> except,
               const std::string& where)
{
    for (int32_t id = 0; id <= limit; ++id) {
        const bool flipped = std::find(except.begin(), except.end(), id) != except.end();
        ASSERT_EQ(mask.bitMaskTest(id), flipped ? !expected : expected) << where << ": id " << id;
    }
}

} // namespace

TEST(HiddenSearchResults, StoredBitsAndTheValueBeyondThem)
{
    struct Row
    {
        std::string name;
        std::function<void(HiddenSearchResults&)> steps;
        bool allIds;                           // what ids 0..2000 read, but for
        std::initializer_list<int32_t> except; // these, which read the opposite
        bool empty;
        std::size_t length;
    };
    const Row rows[] = {
        {"a new mask", [](HiddenSearchResults&) {}, false, {}, true, 0},
        {"showing a hit of a new mask records nothing", [](HiddenSearchResults& m) { m.bitMaskSet(40, false); },
         false, {}, true, 0},
        {"hiding one hit", [](HiddenSearchResults& m) { m.bitMaskSet(40, true); }, false, {40}, false, 41},
        {"showing one hit after hiding all grows with hidden bits",
         [](HiddenSearchResults& m) {
             m.bitMaskSet(40, true);
             m.bitMaskFillAll();
             m.bitMaskSet(100, false);
         },
         true, {100}, false, 101},
        {"clearing after that shows every hit and keeps the length",
         [](HiddenSearchResults& m) {
             m.bitMaskSet(40, true);
             m.bitMaskFillAll();
             m.bitMaskSet(100, false);
             m.bitMaskClear();
         },
         false, {}, true, 101},
        {"hiding all with nothing stored", [](HiddenSearchResults& m) { m.bitMaskFillAll(); }, true, {}, false, 0},
        {"a word boundary: hide 31, then all, then show 64",
         [](HiddenSearchResults& m) {
             m.bitMaskSet(31, true);
             m.bitMaskFillAll();
             m.bitMaskSet(64, false);
         },
         true, {64}, false, 65},
        {"showing the only hidden hit again", [](HiddenSearchResults& m) {
             m.bitMaskSet(7, true);
             m.bitMaskSet(7, false);
         },
         false, {}, true, 8},
        {"init after hiding all", [](HiddenSearchResults& m) {
             m.bitMaskSet(300, true);
             m.bitMaskFillAll();
             m.bitMaskInit();
         },
         false, {}, true, 0},
    };
    for (const Row& row : rows) {
        HiddenSearchResults mask(kMaxId);
        row.steps(mask);
        expectIds(mask, 2000, row.allIds, row.except, row.name);
        // Every id beyond the stored ones, a negative one too, reads as the
        // ids above.
        EXPECT_EQ(mask.bitMaskTest(-1), row.allIds) << row.name;
        EXPECT_EQ(mask.bitMaskTest(std::numeric_limits<int32_t>::max()), row.allIds) << row.name;
        EXPECT_EQ(mask.bitMaskIsEmpty(), row.empty) << row.name;
        EXPECT_EQ(mask.length(), row.length) << row.name;
    }
}

TEST(HiddenSearchResults, IdsOutsideTheHitsChangeNothing)
{
    HiddenSearchResults mask(kMaxId);
    mask.bitMaskSet(kMaxId + 1, true);
    mask.bitMaskSet(std::numeric_limits<int32_t>::max() - 1, true);
    mask.bitMaskSet(-1, true);
    mask.bitMaskSet(std::numeric_limits<int32_t>::min(), true);
    EXPECT_EQ(mask.length(), 0u);
    EXPECT_TRUE(mask.bitMaskIsEmpty());
    EXPECT_FALSE(mask.bitMaskTest(kMaxId + 1));

    // The largest hit itself is stored; showing a stray id after hiding all
    // does not grow the mask either.
    mask.bitMaskSet(kMaxId, true);
    EXPECT_TRUE(mask.bitMaskTest(kMaxId));
    EXPECT_EQ(mask.length(), std::size_t(kMaxId) + 1);
    mask.bitMaskFillAll();
    mask.bitMaskSet(std::numeric_limits<int32_t>::max() - 1, false);
    EXPECT_EQ(mask.length(), std::size_t(kMaxId) + 1);
    EXPECT_TRUE(mask.bitMaskTest(std::numeric_limits<int32_t>::max() - 1));

    // Results without hits store nothing at all, but hide and show all.
    HiddenSearchResults none;
    none.bitMaskSet(0, true);
    EXPECT_EQ(none.length(), 0u);
    none.bitMaskFillAll();
    EXPECT_TRUE(none.bitMaskTest(0));
    EXPECT_FALSE(none.bitMaskIsEmpty());
}

TEST(HiddenSearchResults, TheBoundIsTheLargestHitIdOfTheResults)
{
    // No status: it would read the library's key.
    const std::shared_ptr<SearchStatus> status;
    const auto results = FTSearchResults::create(status);
    EXPECT_EQ(largestHitId(*results), -1);

    const auto book = std::make_shared<FTSRBook>(status, 101);
    const auto section = std::make_shared<FTSRSection>(book, QStringLiteral("101.1"));
    const auto entity = std::make_shared<FTSREntity>(0);
    auto items = std::make_shared<SRItemsContainer>();
    for (unsigned id : {17u, 90210u, 3u})
        items->append(std::make_shared<FTSRItem>(section, entity, 0, id, 1.0));
    results->setBooks({book}, {{101u, book}}, items);
    EXPECT_EQ(largestHitId(*results), 90210);

    HiddenSearchResults mask(largestHitId(*results));
    mask.bitMaskSet(90210, true);
    mask.bitMaskSet(90211, true);
    EXPECT_EQ(mask.length(), 90211u);
    EXPECT_TRUE(mask.bitMaskTest(90210));
    EXPECT_FALSE(mask.bitMaskTest(90211));

    // An owner that learns its results later.
    HiddenSearchResults late;
    late.setMaxId(largestHitId(*results));
    late.bitMaskSet(17, true);
    EXPECT_TRUE(late.bitMaskTest(17));
}

// The page generator reads while the GUI thread changes: every round
// regrows the stored bits, which a read without the lock would meet freed
// (the sanitizer build reports it).
TEST(HiddenSearchResults, ReadsOnAnotherThreadMeetWholeChanges)
{
    HiddenSearchResults mask(1 << 16);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            (void)mask.bitMaskTest(1 << 16);
            (void)mask.bitMaskIsEmpty();
        }
    });
    for (int round = 0; round < 200; ++round) {
        mask.bitMaskSet(1 << 16, true);
        mask.bitMaskFillAll();
        mask.bitMaskClear();
        mask.bitMaskInit();
    }
    done = true;
    reader.join();
    EXPECT_TRUE(mask.bitMaskIsEmpty());
}

TEST(HiddenSearchResults, AssignMakesASeparateCopy)
{
    HiddenSearchResults source(kMaxId);
    source.bitMaskSet(40, true);
    source.bitMaskFillAll();
    source.bitMaskSet(100, false);

    // The target held more bits and another bound: none of them stays.
    HiddenSearchResults copy(10);
    copy.setMaxId(kMaxId);
    copy.bitMaskSet(3000, true);
    copy.setMaxId(10);
    copy.assign(source);
    EXPECT_EQ(copy.maxId(), kMaxId);
    EXPECT_EQ(copy.length(), 101u);
    expectIds(copy, 2000, true, {100}, "the copy");
    EXPECT_TRUE(copy.bitMaskTest(std::numeric_limits<int32_t>::max()));

    // Changes to either side stay on that side.
    copy.bitMaskSet(40, false);
    copy.bitMaskSet(1500, false);
    source.bitMaskSet(7, false);
    expectIds(source, 2000, true, {7, 100}, "the source");
    expectIds(copy, 2000, true, {40, 100, 1500}, "the copy after changes");

    copy.assign(copy);
    expectIds(copy, 2000, true, {40, 100, 1500}, "assigned to itself");
}

// Two tabs copying each other's masks at once take both locks in one order.
TEST(HiddenSearchResults, CrossAssignsDoNotDeadlock)
{
    HiddenSearchResults first(kMaxId);
    HiddenSearchResults second(kMaxId);
    first.bitMaskSet(1, true);
    std::thread other([&] {
        for (int round = 0; round < 2000; ++round)
            second.assign(first);
    });
    for (int round = 0; round < 2000; ++round)
        first.assign(second);
    other.join();
    EXPECT_EQ(first.bitMaskTest(1), second.bitMaskTest(1));
}

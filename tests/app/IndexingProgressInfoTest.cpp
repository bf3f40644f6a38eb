// The indexing progress summed from the index writers (stand-ins here).
#include "app/IndexingProgressInfo.h"
#include "tests/app/Fakes.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <array>

namespace {

class IndexingProgressInfoTest : public ::testing::Test
{
protected:
    std::array<FakeIndexWriter, 3> writers;
    IndexingProgressInfo info{{&writers[0], &writers[1], &writers[2]}};
    QSignalSpy progressChanged{&info, &IndexingProgressInfo::progressChanged};
    QSignalSpy activeChanged{&info, &IndexingProgressInfo::indexingActiveChanged};
};

TEST_F(IndexingProgressInfoTest, SumsTheWritersProgressIntoWholePercent)
{
    EXPECT_EQ(info.progressInPercent(), 0);
    struct Step
    {
        int writer;
        int progress;
        int total;
        int sumProgress;
        int sumTotal;
        int percent;
    };
    const Step steps[] = {
        {0, 1, 3, 1, 3, 33},
        {1, 2, 2, 3, 5, 60},
        {2, 26, 95, 29, 100, 29}, // 29 of 100 is 29, not 28.999...
        {0, 3, 3, 31, 100, 31},
        {0, 0, 0, 28, 97, 28},
    };
    int expectedSignals = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.percent);
        writers[std::size_t(s.writer)].setProgress(s.progress, s.total);
        EXPECT_EQ(info.progress(), s.sumProgress);
        EXPECT_EQ(info.progressTotal(), s.sumTotal);
        EXPECT_EQ(info.progressInPercent(), s.percent);
        EXPECT_EQ(progressChanged.count(), ++expectedSignals);
    }
    writers[1].setProgress(0, 0);
    writers[2].setProgress(0, 0);
    EXPECT_EQ(info.progressTotal(), 0);
    EXPECT_EQ(info.progressInPercent(), 0);
    // The same sums again: nothing to tell.
    const int before = progressChanged.count();
    writers[0].setProgress(0, 0);
    EXPECT_EQ(progressChanged.count(), before);
}

TEST_F(IndexingProgressInfoTest, ActiveWhileAnyWriterIsActive)
{
    writers[0].setActive(true);
    writers[2].setActive(true);
    EXPECT_TRUE(info.indexingActive());
    EXPECT_EQ(activeChanged.count(), 1);
    writers[0].setActive(false); // the other still works: no signal
    EXPECT_TRUE(info.indexingActive());
    EXPECT_EQ(activeChanged.count(), 1);
    writers[2].setActive(false);
    EXPECT_FALSE(info.indexingActive());
    EXPECT_EQ(activeChanged.count(), 2);
}

} // namespace

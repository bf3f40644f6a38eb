// The connection-retry bookkeeping: attempts per key, one timer for all,
// the tenth failure refused, a success forgetting its key.
#include "updates/UpdateConnectionRetry.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using tarnolix::test::waitUntil;

TEST(UpdateConnectionRetryTest, EachKeyWaitsUpToNineTimesThenGivesUp)
{
    UpdateConnectionRetry retry(nullptr, 20);
    std::vector<QString> ran;
    for (int attempt = 2; attempt <= 10; ++attempt) {
        const auto schedule = retry.schedule(QStringLiteral("persons"), [&] { ran.push_back(QStringLiteral("persons")); });
        EXPECT_TRUE(schedule.scheduled);
        EXPECT_EQ(schedule.attempt, attempt);
        EXPECT_GE(schedule.delayMs, 1);
        EXPECT_LE(schedule.delayMs, 20);
        // Waiting already: the same attempt, the first action kept.
        const auto again = retry.schedule(QStringLiteral("persons"), [&] { ran.push_back(QStringLiteral("second")); });
        EXPECT_TRUE(again.scheduled);
        EXPECT_EQ(again.attempt, attempt);
        ASSERT_TRUE(waitUntil([&] { return !retry.isPending(); }));
    }
    EXPECT_EQ(ran, std::vector<QString>(9, QStringLiteral("persons")));
    const auto last = retry.schedule(QStringLiteral("persons"), [&] { ran.push_back(QStringLiteral("late")); });
    EXPECT_FALSE(last.scheduled);
    EXPECT_EQ(last.attempt, 10);
    EXPECT_FALSE(retry.isPending());
}

TEST(UpdateConnectionRetryTest, PendingKeysRunTogetherInKeyOrderAndASuccessForgets)
{
    UpdateConnectionRetry retry(nullptr, 20);
    std::vector<QString> ran;
    retry.schedule(QStringLiteral("publishers"), [&] { ran.push_back(QStringLiteral("publishers")); });
    retry.schedule(QStringLiteral("book-7"), [&] { ran.push_back(QStringLiteral("book-7")); });
    ASSERT_TRUE(waitUntil([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<QString>{QStringLiteral("book-7"), QStringLiteral("publishers")}));
    EXPECT_EQ(retry.failureCount(QStringLiteral("book-7")), 1);
    retry.forget(QStringLiteral("book-7"));
    EXPECT_EQ(retry.failureCount(QStringLiteral("book-7")), 0);
    EXPECT_EQ(retry.schedule(QStringLiteral("book-7"), [] {}).attempt, 2);
    retry.reset();
    EXPECT_FALSE(retry.isPending());
    EXPECT_EQ(retry.failureCount(QStringLiteral("publishers")), 0);
}

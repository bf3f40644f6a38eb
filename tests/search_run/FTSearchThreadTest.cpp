// The search threads: the pool, the worker's own state deciding what a call
// does, and the end of a thread.
#include "tests/search_run/SearchLibrary.h"

#include "tests/support/MessageLog.h"

#include <QThread>

#include <gtest/gtest.h>

#include <semaphore.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace tarnolix;
using namespace tarnolix::test;

namespace {

class FTSearchThreadTest : public SearchLibraryTest
{
protected:
    // Every run waits at its index until the gate opens; counts the runs
    // that got there.
    void gateTheIndex()
    {
        IndexWriterThread* writer = s_library->writer.get();
        setIndexWriterThreadLookup([this, writer](unsigned) {
            ++reachedIndex;
            sem_wait(&gate);
            return writer;
        });
    }

    sem_t gate;
    std::atomic<int> reachedIndex{0};

    void SetUp() override { sem_init(&gate, 0, 0); }
};


TEST_F(FTSearchThreadTest, ThePoolHandsBackIdleThreadsAndSkipsSearchingOnes)
{
    MessageLog log;
    auto* manager = new FTSearchThreadManager;
    QObject page;

    FTSearchThread* first = manager->acquireThread(&page);
    ASSERT_NE(first->workerThread(), nullptr);
    EXPECT_EQ(first->workerThread()->objectName(), QStringLiteral("SearchThread"));
    EXPECT_TRUE(first->workerThread()->isRunning());
    EXPECT_EQ(first->parent(), &page);
    EXPECT_TRUE(manager->releaseThread(first));
    EXPECT_EQ(first->parent(), manager);
    EXPECT_EQ(manager->acquireThread(&page), first);
    EXPECT_EQ(manager->poolSize(), 0u);

    // The second thread searches, held at its index, when it goes back last.
    FTSearchThread* second = manager->acquireThread(&page);
    ASSERT_NE(second, first);
    gateTheIndex();
    QSignalSpy errors(second, &Searcher::error);
    ASSERT_TRUE(second->search(settingsFor(QStringLiteral("alpha"))));
    ASSERT_TRUE(waitUntil([&] { return second->status() == kSearching; }));
    manager->releaseThread(first);
    manager->releaseThread(second);
    EXPECT_EQ(manager->acquireThread(&page), first);

    // Given back while it ran: rejected, and empty afterwards.
    sem_post(&gate);
    ASSERT_TRUE(waitUntil([&] { return second->status() == kInvalid && errors.count() == 1; }));
    EXPECT_EQ(errors.first().at(0).toString(), QStringLiteral("Search rejected"));
    EXPECT_FALSE(second->searchResults());
    EXPECT_FALSE(second->searchSettings());

    // Destroying the manager ends each pooled thread once.
    manager->releaseThread(first);
    log.clear();
    delete manager;
    EXPECT_EQ(log.texts(QtDebugMsg).count(QStringLiteral("Close SearchThread...")), 2);
}

TEST_F(FTSearchThreadTest, TwoQuickSearchesRunInTurn)
{
    FTSearchThread thread;
    thread.start();
    QSignalSpy status(&thread, &Searcher::statusChanged);
    ASSERT_TRUE(thread.search(settingsFor(QStringLiteral("alpha"))));
    ASSERT_TRUE(thread.search(settingsFor(QStringLiteral("epsilon"))));
    ASSERT_TRUE(waitUntil([&] { return status.count() == 4; }, 10000));
    QList<int> statuses;
    for (const QList<QVariant>& args : status)
        statuses << args.at(0).toInt();
    EXPECT_EQ(statuses, (QList<int>{kSearching, kFinished, kSearching, kFinished}));
    const auto settings = std::dynamic_pointer_cast<const FTSearchSettings>(thread.searchSettings());
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->query(), QStringLiteral("epsilon"));
    EXPECT_EQ(thread.numberItemsFound(), 1);
}

TEST_F(FTSearchThreadTest, CloseStopsASearchThatWasOnlyPosted)
{
    FTSearchThread thread;
    thread.start();
    // The worker's thread is busy, so the search waits in its queue.
    auto* busy = new QObject;
    busy->moveToThread(thread.workerThread());
    QObject::connect(thread.workerThread(), &QThread::finished, busy, &QObject::deleteLater);
    sem_t hold;
    sem_init(&hold, 0, 0);
    QMetaObject::invokeMethod(busy, [&hold] { sem_wait(&hold); }, Qt::QueuedConnection);
    gateTheIndex();
    sem_post(&gate); // a run that did start would not hang the test
    ASSERT_TRUE(thread.search(settingsFor(QStringLiteral("alpha"))));
    std::thread release([&hold] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sem_post(&hold);
    });
    thread.close();
    release.join();
    EXPECT_EQ(reachedIndex.load(), 0);
    EXPECT_EQ(thread.workerThread(), nullptr);
    EXPECT_FALSE(thread.search(settingsFor(QStringLiteral("alpha"))));
    sem_destroy(&hold);
}

} // namespace

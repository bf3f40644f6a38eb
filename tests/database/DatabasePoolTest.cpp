#include "core/Exception.h"
#include "core/LocationInfo.h"
#include "database/DatabasePool.h"
#include "database/DatabaseTransaction.h"
#include "database/TarnolixDB.h"
#include "tests/support/TestSupport.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <thread>

namespace {

struct ConnectionFacts
{
    std::shared_ptr<TarnolixDB> db;
    QString journalMode;
    int busyTimeout = -1;
    bool waitCursor = true;
};

ConnectionFacts factsOf(const std::shared_ptr<TarnolixDB>& db)
{
    ConnectionFacts facts;
    facts.db = db;
    QSqlQuery mode = db->execSql(QStringLiteral("PRAGMA journal_mode"));
    if (mode.next())
        facts.journalMode = mode.value(0).toString();
    QSqlQuery timeout = db->execSql(QStringLiteral("PRAGMA busy_timeout"));
    if (timeout.next())
        facts.busyTimeout = timeout.value(0).toInt();
    facts.waitCursor = db->waitCursorOnTransaction();
    return facts;
}

// Runs `work` on threads that are all alive at once (so their ids differ),
// each ending only after every one has finished its work.
void runTogether(const std::vector<std::function<void()>>& work)
{
    std::mutex mutex;
    std::condition_variable allDone;
    std::size_t done = 0;
    std::vector<std::thread> threads;
    for (const auto& w : work) {
        threads.emplace_back([&, w] {
            w();
            std::unique_lock<std::mutex> lock(mutex);
            if (++done == work.size())
                allDone.notify_all();
            allDone.wait(lock, [&] { return done == work.size(); });
        });
    }
    for (auto& t : threads)
        t.join();
}

class Pool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = tarnolix::test::makeTempDir();
        path = dir->filePath(QStringLiteral("Tarnolix.db"));
        pool = std::make_unique<DatabasePool>(std::this_thread::get_id(), [this] { return path; });
        setDatabasePool(pool.get());
        currentDatabase()->initialize();
    }

    void TearDown() override
    {
        setDatabasePool(nullptr);
        pool.reset();
    }

    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    std::unique_ptr<DatabasePool> pool;
};

} // namespace

TEST_F(Pool, EveryThreadHasItsOwnWalConnection)
{
    std::shared_ptr<TarnolixDB> gui = currentDatabase();
    EXPECT_EQ(currentDatabase().get(), gui.get()) << "one connection per thread";
    EXPECT_EQ(&pool->database(std::this_thread::get_id(), true, 1), &currentDatabase());

    ConnectionFacts interactive, writer, writerAgain;
    runTogether({
        [&] {
            interactive = factsOf(currentDatabase());
            currentDatabase()->setSetting(QStringLiteral("fromWorker"), 1);
        },
        [&] {
            auto& db = pool->database(std::this_thread::get_id(), true, DatabasePool::kWriterBusyTimeoutMs);
            writer = factsOf(db);
            writerAgain = factsOf(currentDatabase());
        },
    });

    const ConnectionFacts guiFacts = factsOf(gui);
    EXPECT_EQ(guiFacts.journalMode, QStringLiteral("wal"));
    EXPECT_EQ(guiFacts.busyTimeout, 60000);
    EXPECT_TRUE(guiFacts.waitCursor);

    EXPECT_EQ(interactive.journalMode, QStringLiteral("wal"));
    EXPECT_EQ(interactive.busyTimeout, 60000);
    EXPECT_FALSE(interactive.waitCursor);
    EXPECT_EQ(writer.journalMode, QStringLiteral("wal"));
    EXPECT_EQ(writer.busyTimeout, 300000);
    EXPECT_FALSE(writer.waitCursor);
    EXPECT_EQ(writerAgain.db, writer.db) << "an open connection keeps the timeout it was opened with";

    EXPECT_NE(interactive.db, writer.db);
    EXPECT_NE(interactive.db, gui);
    EXPECT_NE(writer.db, gui);
    EXPECT_EQ(pool->workerConnectionCount(), 2u);
    EXPECT_EQ(gui->getSetting(QStringLiteral("fromWorker")).toInt(), 1) << "all connections share one file";
}

TEST_F(Pool, ManyThreadsAtOnceNeverShareAConnection)
{
    constexpr int kThreads = 8;
    std::vector<TarnolixDB*> seen(kThreads, nullptr);
    std::vector<std::function<void()>> work;
    for (int i = 0; i < kThreads; ++i)
        work.emplace_back([&, i] { seen[i] = currentDatabase().get(); });
    runTogether(work);

    std::set<TarnolixDB*> distinct(seen.begin(), seen.end());
    distinct.erase(nullptr);
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads));
    EXPECT_EQ(pool->workerConnectionCount(), static_cast<std::size_t>(kThreads));
}

TEST_F(Pool, OnlyTheGuiConnectionShowsTheWaitCursor)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        DatabaseTransaction t(currentDatabase());
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // A worker connection used on the GUI thread itself still shows nothing:
    // the pool switches the cursor off for every connection but the GUI one.
    std::thread other([] {});
    const std::thread::id otherId = other.get_id();
    other.join();
    DatabasePool workerPool(otherId, [this] { return path; });
    auto& worker = workerPool.database(std::this_thread::get_id(), true, 1000);
    {
        DatabaseTransaction t(worker);
        worker->setSetting(QStringLiteral("k"), 1);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        t.commit();
    }
    worker->execSql(QStringLiteral("SELECT 1"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Pool, UnopenableLibraryThrowsOnEveryCallAndRecovers)
{
    path = dir->filePath(QStringLiteral("missing/dir/Tarnolix.db"));
    DatabasePool broken(std::this_thread::get_id(), [this] { return path; });
    setDatabasePool(&broken);

    for (int i = 0; i < 2; ++i)
        EXPECT_THROW(currentDatabase(), DBException) << "GUI thread, call " << i;
    auto& guiEntry = broken.database(std::this_thread::get_id(), false, 1000);
    EXPECT_FALSE(guiEntry->isOpen()) << "kept in place, closed";

    int workerThrows = 0;
    std::thread worker([&] {
        for (int i = 0; i < 2; ++i) {
            try {
                currentDatabase();
            } catch (const DBException&) {
                ++workerThrows;
            }
        }
    });
    worker.join();
    EXPECT_EQ(workerThrows, 2);
    EXPECT_EQ(broken.workerConnectionCount(), 0u) << "a failed open inserts nothing";

    // Once the file can be opened, the next request opens the kept connection.
    path = dir->filePath(QStringLiteral("Tarnolix.db"));
    EXPECT_TRUE(currentDatabase()->isOpen());
    EXPECT_EQ(currentDatabase().get(), guiEntry.get());
}

TEST_F(Pool, NoPoolNoConnection)
{
    setDatabasePool(nullptr);
    EXPECT_THROW(currentDatabase(), DBException);
    std::thread worker([] { EXPECT_THROW(currentDatabase(), DBException); });
    worker.join();
}

TEST_F(Pool, OpensTheSelectedAccountsLibrary)
{
    QSettings settings(dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Locations/Data"), dir->filePath(QStringLiteral("Data")));
    LocationInfo locations(settings);
    locations.selectAccountLibrary(QStringLiteral("reader@example.invalid"));
    ASSERT_NE(locations.databasePath(), path);

    DatabasePool accountPool(std::this_thread::get_id(), locations);
    setDatabasePool(&accountPool);
    currentDatabase()->initialize();
    EXPECT_TRUE(QFileInfo::exists(locations.databasePath()));
    EXPECT_EQ(currentDatabase()->getSetting(QStringLiteral("DatabaseVersion")).toInt(), 12);
}

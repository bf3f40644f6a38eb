// The library update front end against the stand-in: a full run and its
// application events, check-only runs, the registry read from another
// thread, and the percentage.
#include "app/DatabaseUpdater.h"
#include "core/TarnolixEvents.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"
#include "tabs/OpenBookSeams.h"
#include "tests/app_window/WindowTest.h"
#include "tests/support/MessageLog.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSignalSpy>

#include <atomic>
#include <thread>

using namespace tarnolix::test;

namespace {

class DatabaseUpdaterTest : public WindowTest
{
protected:
    void TearDown() override
    {
        setVersion(QStringLiteral("1"));
        WindowTest::TearDown();
    }
    static void setVersion(const QString& version)
    {
        standinControl(standinOrigin(), "POST", QStringLiteral("dataset"),
                       QJsonObject{{QStringLiteral("version"), version}});
    }
    // Starts a run and waits for its end (the status of the last run stays until the new one reports).
    static bool run(DatabaseUpdater& updater, void (DatabaseUpdater::*start)(), int timeoutMs = 120000)
    {
        bool started = false;
        QMetaObject::Connection watch = QObject::connect(&updater, &DatabaseUpdater::statusChanged, [&] {
            started = started || updater.isActive();
        });
        (updater.*start)();
        const bool ended = settle([&] { return started && updater.status() >= DatabaseUpdaterPrivate::Finished; }, timeoutMs);
        QObject::disconnect(watch);
        return ended;
    }
};

TEST_F(DatabaseUpdaterTest, AFullRunAnnouncesItsEndAndCheckOnlyRunsFindWhatChanged)
{
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(settle([] { return app().initializer() == nullptr; }, 15000));
    // Slow books keep the run in status 2 long enough to be seen from another thread.
    standinControl(standinOrigin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{QStringLiteral("plan"), QStringLiteral("mode=delay,delay_ms=300,path=/books/download/,count=3")}});

    DatabaseUpdater updater;
    QSignalSpy active(app().events(), &TarnolixEvents::databaseUpdaterActiveChanged);
    QSignalSpy finished(app().events(), &TarnolixEvents::databaseUpdateFinished);
    std::atomic<bool> stop{false};
    std::atomic<bool> seenLoadingBooks{false};
    std::thread watcher([&] {
        while (!stop.load() && !seenLoadingBooks.load()) {
            if (DatabaseUpdater::isUpdatingWithStatus(DatabaseUpdaterPrivate::LoadingBooks))
                seenLoadingBooks.store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const bool ended = run(updater, &DatabaseUpdater::updateBase);
    stop.store(true);
    watcher.join();
    ASSERT_TRUE(ended);
    ASSERT_EQ(updater.status(), DatabaseUpdaterPrivate::Finished) << updater.errorText().toStdString();
    EXPECT_TRUE(seenLoadingBooks.load()) << "isUpdatingWithStatus(2) from another thread while books load";
    EXPECT_EQ(active.count(), 2) << "one flip on, one flip off";
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(updater.isUpdateExists()) << "a full run is no check";
    EXPECT_FALSE(DatabaseUpdater::isUpdating());
    EXPECT_EQ(updater.databaseUpdateDate(), QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy")));
    EXPECT_FALSE(app().isNeedUpdateDatabase());

    // Check-only: nothing new, then the second version.
    const struct
    {
        const char* version;
        bool exists;
    } checks[] = {{"1", false}, {"2", true}};
    for (const auto& check : checks) {
        SCOPED_TRACE(check.version);
        setVersion(QString::fromLatin1(check.version));
        active.clear();
        ASSERT_TRUE(run(updater, &DatabaseUpdater::checkUpdateOnly));
        EXPECT_EQ(updater.status(), DatabaseUpdaterPrivate::Finished);
        EXPECT_EQ(updater.isUpdateExists(), check.exists);
        EXPECT_EQ(active.count(), 2);
        EXPECT_EQ(finished.count(), 1) << "check-only runs raise no databaseUpdateFinished";
    }
}

TEST_F(DatabaseUpdaterTest, WithoutARunTheRegistryAndRejectChangeNothing)
{
    EXPECT_FALSE(DatabaseUpdater::isUpdating());
    EXPECT_FALSE(DatabaseUpdater::isUpdatingWithStatus(DatabaseUpdaterPrivate::LoadingBooks));
    MessageLog log;
    DatabaseUpdater updater;
    QSignalSpy status(&updater, &DatabaseUpdater::statusChanged);
    updater.reject();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("DatabaseUpdater::reject: m_pImpl=0")));
    EXPECT_EQ(status.count(), 0);
    EXPECT_EQ(updater.status(), DatabaseUpdaterPrivate::Invalid);
    EXPECT_EQ(updater.databaseUpdateDate(), QString()) << "no library open";

    // The registry follows the GUI-side status of every live updater.
    updater.handleStatusChanged(DatabaseUpdaterPrivate::LoadingBooks);
    EXPECT_TRUE(DatabaseUpdater::isUpdating());
    EXPECT_TRUE(DatabaseUpdater::isUpdatingWithStatus(DatabaseUpdaterPrivate::LoadingBooks));
    EXPECT_FALSE(DatabaseUpdater::isUpdatingWithStatus(DatabaseUpdaterPrivate::LoadingGlossaries));
    EXPECT_TRUE(openbookseams::isLibraryUpdating()) << "the open book holds its reloads";
    {
        DatabaseUpdater idle;
        EXPECT_TRUE(DatabaseUpdater::isUpdating());
    }
    updater.handleStatusChanged(DatabaseUpdaterPrivate::Failed);
    EXPECT_FALSE(DatabaseUpdater::isUpdating());
    EXPECT_FALSE(openbookseams::isLibraryUpdating());
}

TEST_F(DatabaseUpdaterTest, ThePercentageIsTruncatedAndAnnouncedOnlyWhenItChanges)
{
    DatabaseUpdater updater;
    QSignalSpy percent(&updater, &DatabaseUpdater::progressInPercentChanged);
    const struct
    {
        int progress;
        int total;
        int expected;
        int announced;
    } steps[] = {{1, 0, 0, 0}, {1, 3, 33, 1}, {2, 3, 66, 2}, {2, 3, 66, 2}, {3, 3, 100, 3}, {3, 0, 0, 4}};
    for (const auto& step : steps) {
        updater.handleProgressChanged(step.progress);
        updater.handleProgressTotalChanged(step.total);
        EXPECT_EQ(updater.progressInPercent(), step.expected) << step.progress << "/" << step.total;
        EXPECT_EQ(percent.count(), step.announced) << step.progress << "/" << step.total;
    }
}

} // namespace

// The update completer: when the library needs it, the ladder of steps on
// the second thread, waiting for a library update, a second start, and a
// failing step.
#include "app/DatabaseUpdater.h"
#include "app/UpdateCompleter.h"
#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"
#include "tests/app_window/WindowTest.h"
#include "tests/support/MessageLog.h"

#include <QGuiApplication>
#include <QSignalSpy>

using namespace tarnolix::test;

namespace {

const QString kEmail = QStringLiteral("completer@tarnolix.invalid");
const QString kVersionKey = QString::fromLatin1(LibrarySettingsKeys::UpdateCompleterVersion);

class UpdateCompleterTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(openAccountRuntime(kEmail));
    }
    static TarnolixDB& db() { return *app().guiDatabase(); }
    static QVariant stored() { return db().getSettingOr(kVersionKey, 0); }
    // A publisher makes the library one that an older version filled.
    static void setFilled(bool filled)
    {
        if (filled)
            db().execSql(QStringLiteral("INSERT OR IGNORE INTO Publishers(id) VALUES(900001)"), false);
        else
            db().execSql(QStringLiteral("DELETE FROM Publishers WHERE id = 900001"), false);
    }
    // Runs a completer of the test's own to its end.
    static bool runCompleter(UpdateCompleter& completer)
    {
        QSignalSpy finished(&completer, &UpdateCompleter::finished);
        completer.start();
        return settle([&] { return finished.count() > 0; }, 15000);
    }
};

// What the stored step and the library's contents make of the completion.
TEST_F(UpdateCompleterTest, TheLadderFollowsTheStoredStepAndTheLibrary)
{
    const struct
    {
        const char* name;
        bool filled;
        unsigned stored;
        bool needed;
        unsigned storedAfterCheck;
        const char* runLog;
        QtMsgType runLogType;
        bool fixesTexts;
    } rows[] = {
        {"empty library", false, 0, false, 1, "UpdateCompleterImpl: ERROR 0x84561478", QtWarningMsg, false},
        {"filled by an old version", true, 0, true, 0, "UpdateCompleterImpl: First start on old database", QtInfoMsg,
         true},
        {"completed", true, 1, false, 1, "UpdateCompleterImpl: Update from 1 to 2", QtInfoMsg, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setFilled(row.filled);
        db().setSetting(kVersionKey, row.stored);
        EXPECT_EQ(UpdateCompleter::isCompletionNeeded(db()), row.needed);
        EXPECT_EQ(stored().toUInt(), row.storedAfterCheck);

        // The worker walks the ladder whatever the check said.
        db().setSetting(kVersionKey, row.stored);
        MessageLog log;
        UpdateCompleter completer;
        ASSERT_TRUE(runCompleter(completer));
        EXPECT_TRUE(log.contains(row.runLogType, QString::fromLatin1(row.runLog)));
        EXPECT_EQ(log.contains(QtDebugMsg, QStringLiteral("fixNormalixedTexts")), row.fixesTexts);
        EXPECT_TRUE(log.contains(QtDebugMsg, QStringLiteral("UpdateCompleterImpl: finished")));
        EXPECT_EQ(stored().toUInt(), 1u);
        EXPECT_FALSE(completer.isRunning());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy cursor is taken down";
    }
    setFilled(false);
}

// The application makes the completer at start-up for a library an older
// version filled; the completion runs, and the completer goes.
TEST_F(UpdateCompleterTest, TheApplicationCompletesAnOldLibraryOnceAtStartUp)
{
    EXPECT_EQ(app().updateCompleter(), nullptr) << "a new library is complete";
    setFilled(true);
    db().setSetting(kVersionKey, 0);
    ASSERT_TRUE(logoutAndWait());
    ASSERT_TRUE(openAccountRuntime(kEmail));
    ASSERT_TRUE(settle([] { return app().updateCompleter() == nullptr; }, 15000));
    EXPECT_EQ(stored().toUInt(), 1u);
    setFilled(false);
}

// A second start while the worker runs starts nothing; a start while a
// library update is active waits for the update's end.
TEST_F(UpdateCompleterTest, ItStartsOnceAndWaitsForAnActiveLibraryUpdate)
{
    db().setSetting(kVersionKey, 1);
    MessageLog log;
    DatabaseUpdater update;
    update.handleStatusChanged(DatabaseUpdaterPrivate::LoadingBooks);
    UpdateCompleter completer;
    QSignalSpy finished(&completer, &UpdateCompleter::finished);
    completer.start();
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("UpdateCompleter: DatabaseUpdater is active")));
    EXPECT_FALSE(completer.isRunning());
    update.handleStatusChanged(DatabaseUpdaterPrivate::LoadingGlossaries);
    EXPECT_FALSE(completer.isRunning()) << "still active";

    update.handleStatusChanged(DatabaseUpdaterPrivate::Rejected);
    EXPECT_TRUE(completer.isRunning()) << "started when the update stopped";
    completer.start();
    EXPECT_TRUE(log.contains(QtCriticalMsg, QStringLiteral("ERROR 0x54256987")));
    ASSERT_TRUE(settle([&] { return finished.count() > 0; }, 15000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(completer.isRunning());
}

// A failing step is shown once and leaves the stored step as it was.
TEST_F(UpdateCompleterTest, AFailureIsShownOnceAndTheStepStays)
{
    const unsigned last = 0xFFFFFFFFu; // the next step would overflow
    db().setSetting(kVersionKey, last);
    QSignalSpy errors(&app(), &Tarnolix::errorMessage);
    MessageLog log;
    UpdateCompleter completer;
    ASSERT_TRUE(runCompleter(completer));
    pause(50);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.value(0).value(1).toString(),
              QStringLiteral("Произошла ошибка при завершении обновлении базы.\nПри следующем запуске программы будет "
                             "предпринята повторная попытка.\nТекст ошибки: ERROR 0x54259632"));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("UpdateCompleter: Error: ERROR 0x54259632")));
    EXPECT_EQ(stored().toUInt(), last);
    closeMessageBoxes();
}

} // namespace

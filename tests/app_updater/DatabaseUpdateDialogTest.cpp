// The library update dialog: what it shows in each status, and a real first
// download from the main window that is stopped, started again and closes
// the dialog at its end.
#include "app/DatabaseUpdater.h"
#include "database/TarnolixDB.h"
#include "tests/app_updater/DialogWindow.h"
#include "tests/app_window/WindowTest.h"
#include "tests/support/MessageLog.h"

#include <QJsonObject>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

using namespace tarnolix::test;

namespace {

const QString kPupilEmail = QStringLiteral("pupil@tarnolix.invalid");
const QString kPupilPassword = QStringLiteral("свеча-у-окна");

class DatabaseUpdateDialogTest : public WindowTest
{
protected:
    static DatabaseUpdater* updaterOf(QObject* dialog)
    {
        return qobject_cast<DatabaseUpdater*>(dialog->property("updater").value<QObject*>());
    }
    static QString text(QObject* dialog, const char* name)
    {
        return itemIn(dialog, QString::fromLatin1(name))->property("text").toString();
    }
    static bool visible(QObject* dialog, const char* name)
    {
        return itemIn(dialog, QString::fromLatin1(name))->isVisible();
    }
};

// Headline, busy indicator, progress line and button of every status.
TEST_F(DatabaseUpdateDialogTest, EachStatusHasItsHeadlineProgressAndButton)
{
    QQuickWindow* dialog = loadDialogWindow(m_window, R"(DatabaseUpdateDlg { objectName: "updateDialog" })",
                                            QStringLiteral("updateDialog"));
    ASSERT_NE(dialog, nullptr);
    dialog->show();
    ASSERT_TRUE(settle([&] { return dialog->isExposed(); }));
    DatabaseUpdater* updater = updaterOf(dialog);
    ASSERT_NE(updater, nullptr);
    QSignalSpy accepted(dialog, SIGNAL(accepted()));

    const struct
    {
        int status;
        int progress;
        int total;
        const char* headline;
        bool busy;
        const char* progressText; // null: hidden
        const char* button;       // "": hidden
        bool enabled;
    } rows[] = {
        {0, 0, 0, "", false, nullptr, "", true},
        {1, 0, 0, "Обновление справочников", true, nullptr, "Прервать", true},
        {2, 0, 0, "Загрузка книг", true, nullptr, "Прервать", true},
        {2, 1, 3, "Загрузка книг", false, "Ход загрузки: 1 из 3", "Прервать", true},
        {3, 2, 3, "Загрузка словарей", false, "Ход загрузки: 66%", "Прервать", true},
        {4, 1, 3, "Установка словарей", false, "33%", "Прервать", true},
        {4, 0, 0, "Установка словарей", true, nullptr, "Прервать", true},
        {5, 1, 3, "Завершение обновления базы", true, nullptr, "Подождите", false},
        {7, 0, 0, "Ошибка загрузки", false, nullptr, "Закрыть", true},
        {8, 0, 0, "Прервано", false, nullptr, "Закрыть", true},
        {9, 0, 0, "", false, nullptr, "Неизвестный статус", true},
    };
    MessageLog log;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        updater->handleProgressTotalChanged(row.total);
        updater->handleProgressChanged(row.progress);
        updater->handleStatusChanged(row.status);
        EXPECT_EQ(text(dialog, "headline"), QString::fromUtf8(row.headline));
        EXPECT_EQ(itemIn(dialog, QStringLiteral("busyIndicator"))->property("running").toBool(), row.busy);
        EXPECT_EQ(visible(dialog, "progressText"), row.progressText != nullptr);
        if (row.progressText) {
            EXPECT_EQ(text(dialog, "progressText"), QString::fromUtf8(row.progressText));
        }
        EXPECT_EQ(visible(dialog, "actionButton"), *row.button != '\0');
        EXPECT_EQ(text(dialog, "actionButton"), QString::fromUtf8(row.button));
        EXPECT_EQ(itemIn(dialog, QStringLiteral("actionButton"))->isEnabled(), row.enabled);
        if (row.status == 2 && row.total == 3) {
            EXPECT_FALSE(screenshotOf(dialog, QStringLiteral("update-dialog-status-2")).isEmpty());
        }
    }
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Unknown status(0x57188561): 9")));
    click(itemIn(dialog, QStringLiteral("actionButton")));
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("Unknown status(0x57188562): 9")));

    // The error area shows while there is an error text, and the dialog grows.
    EXPECT_FALSE(visible(dialog, "errorArea"));
    EXPECT_EQ(dialog->height(), 180);
    updater->handleErrorTextChanged(QStringLiteral("Не удалось загрузить справочники!"));
    updater->handleStatusChanged(DatabaseUpdaterPrivate::Failed);
    EXPECT_TRUE(visible(dialog, "errorArea"));
    EXPECT_EQ(text(dialog, "errorText"), QStringLiteral("Не удалось загрузить справочники!"));
    EXPECT_EQ(dialog->height(), 260);
    pause(200); // the window system resizes the window
    EXPECT_FALSE(screenshotOf(dialog, QStringLiteral("update-dialog-status-7")).isEmpty());
    EXPECT_EQ(accepted.count(), 0);

    // Finished: the dialog closes itself by accept().
    updater->handleErrorTextChanged(QString());
    updater->handleStatusChanged(DatabaseUpdaterPrivate::Finished);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(dialog->isVisible());
}

// A new library: the main window opens the dialog once the account refresh
// ends; "Прервать" stops the download, which leaves the library still to be
// downloaded; started again, the run ends and the dialog closes for good.
TEST_F(DatabaseUpdateDialogTest, TheFirstDownloadCanBeStoppedAndEndsByClosingTheDialog)
{
    // Slow books: the run stays in status 2 until it is stopped.
    standinControl(standinOrigin(), "POST", QStringLiteral("faults"),
                   QJsonObject{{QStringLiteral("plan"), QStringLiteral("mode=delay,delay_ms=1500,path=/books/download/,count=3")}});
    ASSERT_TRUE(openRoot());
    ASSERT_TRUE(signInAs(kPupilEmail, kPupilPassword, true));
    QObject* selector = object(QStringLiteral("updateDialogSelector"));
    QQuickWindow* dialog = nullptr;
    ASSERT_TRUE(settle([&] {
        dialog = qobject_cast<QQuickWindow*>(selector->property("dialog").value<QObject*>());
        return dialog && dialog->isExposed();
    }, 15000));
    EXPECT_EQ(dialog->title(), QStringLiteral("Обновление базы"));
    DatabaseUpdater* updater = updaterOf(dialog);
    ASSERT_NE(updater, nullptr);
    ASSERT_TRUE(settle([&] { return updater->status() == DatabaseUpdaterPrivate::LoadingBooks; }, 30000));
    EXPECT_EQ(text(dialog, "headline"), QStringLiteral("Загрузка книг"));
    EXPECT_FALSE(screenshotOf(dialog, QStringLiteral("update-dialog-running")).isEmpty());

    QSignalSpy quit(&m_window->engine(), &QQmlEngine::quit);
    click(itemIn(dialog, QStringLiteral("actionButton")));
    ASSERT_TRUE(settle([&] { return updater->status() == DatabaseUpdaterPrivate::Rejected; }, 30000));
    EXPECT_EQ(text(dialog, "headline"), QStringLiteral("Прервано"));
    EXPECT_EQ(text(dialog, "errorText"), QStringLiteral("Обновление базы прервано"));
    EXPECT_EQ(text(dialog, "actionButton"), QStringLiteral("Закрыть"));
    EXPECT_TRUE(app().isNeedUpdateDatabase()) << "no run finished: the library is still to be downloaded";
    EXPECT_EQ(app().guiDatabase()->databaseStatus(), 0);
    EXPECT_EQ(quit.count(), 0);

    // Started again (as the next program start would), the run finishes and
    // the dialog closes itself; the update is no longer due.
    standinControl(standinOrigin(), "DELETE", QStringLiteral("faults"));
    QMetaObject::invokeMethod(dialog, "startUpdate");
    QPointer<QQuickWindow> guard(dialog);
    ASSERT_TRUE(settle([&] { return !guard || !guard->isVisible(); }, 120000));
    EXPECT_FALSE(selector->property("showUpdate").toBool());
    EXPECT_FALSE(app().isNeedUpdateDatabase());
    EXPECT_EQ(quit.count(), 0) << "a finished update is not a rejected one";
}

} // namespace

// The program's own update on Linux against the stand-in: the list check
// and its answers, the refused downloads, a good download that starts the
// stand-in installer, and the download dialog.
#include "app/AutoUpdater.h"
#include "app/UpdateLoader.h"
#include "tests/app_updater/DialogWindow.h"
#include "tests/app_window/WindowTest.h"
#include "tests/support/MessageLog.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace tarnolix::test;

namespace {

class ProgramUpdateTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        setOffer(QJsonObject{{QStringLiteral("version"), QStringLiteral("2.2.0")}});
        UpdateLoader::setQuitHandler([this] { ++m_quits; });
        removeInstallers();
    }
    void TearDown() override
    {
        UpdateLoader::setQuitHandler({});
        UpdateLoader::setMaxBytes(UpdateFileLoader::kDefaultMaxBytes);
        standinControl(standinOrigin(), "POST", QStringLiteral("installer"),
                       QJsonObject{{QStringLiteral("record"), QJsonValue::Null}});
        setOffer(QJsonObject{{QStringLiteral("version"), QStringLiteral("2.1.28")}});
        removeInstallers();
        WindowTest::TearDown();
    }
    static void setOffer(const QJsonObject& offer)
    {
        standinControl(standinOrigin(), "POST", QStringLiteral("update"), offer);
    }
    static void arm(const QString& plan)
    {
        standinControl(standinOrigin(), "POST", QStringLiteral("faults"),
                       QJsonObject{{QStringLiteral("plan"), plan + QStringLiteral(",count=1")}});
    }
    static LinuxAutoUpdater& updater() { return *qobject_cast<LinuxAutoUpdater*>(app().autoUpdater()); }
    // Runs one check; the name of the signal it ended with.
    static QString check()
    {
        QSignalSpy found(&updater(), &AutoUpdater::findValidUpdate);
        QSignalSpy notFound(&updater(), &AutoUpdater::notFindUpdate);
        QSignalSpy failed(&updater(), &AutoUpdater::errorCheckingUpdate);
        updater().checkForUpdateInformation();
        if (!settle([&] { return found.count() + notFound.count() + failed.count() > 0; }, 10000))
            return QStringLiteral("timeout");
        if (found.count())
            return QStringLiteral("findValidUpdate ") + found.value(0).value(0).toString();
        return notFound.count() ? QStringLiteral("notFindUpdate") : QStringLiteral("errorCheckingUpdate");
    }
    // The installer and any temporary file of a download.
    static QStringList installers()
    {
        return QDir(app().locationInfo()->dataLocation())
            .entryList({QStringLiteral("tarnolix-update-installer*")}, QDir::Files | QDir::Hidden);
    }
    static void removeInstallers()
    {
        for (const QString& name : installers())
            QFile::remove(app().locationInfo()->dataLocation() + QLatin1Char('/') + name);
    }
    // Loads with a fresh loader to its end: true when the installer is ready.
    static bool download(UpdateLoader& loader)
    {
        loader.load();
        settle([&] { return !loader.isActive(); }, 15000);
        return loader.installReady();
    }
    int m_quits = 0;
};

TEST_F(ProgramUpdateTest, TheCheckComparesTheOfferedVersionWithTheRunningOne)
{
    ASSERT_EQ(app().sVersion(), QStringLiteral("2.1.27"));
    const struct
    {
        const char* offered;
        const char* outcome;
    } rows[] = {{"2.2.0", "findValidUpdate 2.2.0"}, {"2.1.27", "notFindUpdate"}, {"2.1.3", "notFindUpdate"},
                {"2.1.28", "findValidUpdate 2.1.28"}};
    for (const auto& row : rows) {
        setOffer(QJsonObject{{QStringLiteral("version"), QString::fromLatin1(row.offered)}});
        EXPECT_EQ(check(), QString::fromUtf8(row.outcome)) << row.offered;
    }
    EXPECT_FALSE(updater().checker()->performed());
    EXPECT_TRUE(updater().checker()->actualVersionLink().endsWith(QStringLiteral("/app-update/files/tarnolix-2.1.28-setup")));
    // Nothing on this platform ends the program.
    MessageLog log;
    updater().checkForUpdates();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("NOT SUPPORTED")));
}

TEST_F(ProgramUpdateTest, AFailedCheckKeepsTheEarlierOfferAndASecondCheckWaits)
{
    ASSERT_EQ(check(), QStringLiteral("findValidUpdate 2.2.0"));
    UpdateChecker& checker = *updater().checker();
    const QString link = checker.actualVersionLink();
    ASSERT_FALSE(link.isEmpty());

    MessageLog log;
    const struct
    {
        const char* name;
        QJsonObject offer;
        const char* fault;
        const char* logged;
    } rows[] = {
        {"empty link", QJsonObject{{QStringLiteral("version"), QStringLiteral("2.3.0")}, {QStringLiteral("url_text"), QString()}},
         nullptr, "Check update error: Update link is empty"},
        {"malformed version", QJsonObject{{QStringLiteral("version_text"), QStringLiteral("2.x.0")}}, nullptr,
         "Check update error: "},
        {"malformed body", QJsonObject{}, "mode=malformed,kind=body,path=/app-update/list/", "Check update error: "},
        {"server error", QJsonObject{}, "mode=status,code=503,path=/app-update/list/", "Check update error: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        log.clear();
        setOffer(row.offer);
        if (row.fault)
            arm(QString::fromLatin1(row.fault));
        EXPECT_EQ(check(), QStringLiteral("errorCheckingUpdate"));
        EXPECT_TRUE(log.contains(QtWarningMsg, QString::fromLatin1(row.logged)));
        EXPECT_TRUE(checker.error());
        EXPECT_EQ(checker.actualVersion(), QStringLiteral("2.2.0"));
        EXPECT_EQ(checker.actualVersionLink(), link);
    }

    // One request at a time.
    setOffer(QJsonObject{{QStringLiteral("version"), QStringLiteral("2.2.0")}});
    standinControl(standinOrigin(), "DELETE", QStringLiteral("requests"));
    log.clear();
    QSignalSpy found(&updater(), &AutoUpdater::findValidUpdate);
    updater().checkForUpdateInformation();
    updater().checkForUpdateInformation();
    EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("UpdateChecker::check: busy")));
    ASSERT_TRUE(settle([&] { return found.count() == 1; }));
    EXPECT_FALSE(checker.error());
    pause(100);
    EXPECT_EQ(standinRequests(standinOrigin()).size(), 1);
    EXPECT_EQ(found.count(), 1);
}

// Every refused download ends in the error, shows it, and leaves no file behind.
TEST_F(ProgramUpdateTest, ARefusedDownloadLeavesNothingBehind)
{
    const struct
    {
        const char* name;
        QJsonObject offer;
        const char* fault;
        qint64 maxBytes;
        const char* shown; // part of the text after "Не удалось скачать обновление: "
    } rows[] = {
        {"not found", QJsonObject{}, "mode=status,code=404,path=/app-update/files/", 0, ""},
        {"empty installer", QJsonObject{{QStringLiteral("installer"), QStringLiteral("empty")}}, nullptr, 0,
         "Update file is empty"},
        {"wrong checksum", QJsonObject{{QStringLiteral("sha256"), QStringLiteral("wrong")}}, nullptr, 0,
         "Update file checksum mismatch"},
        {"redirect to another origin", QJsonObject{}, "mode=redirect,kind=other,path=/app-update/files/", 0, ""},
        {"oversized", QJsonObject{}, nullptr, 100, "Update file is larger than 100 bytes"},
        {"oversized while it drips", QJsonObject{}, "mode=drip,chunk=64,interval_ms=10,path=/app-update/files/",
         100, "Update file is larger than 100 bytes"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QJsonObject offer = row.offer;
        offer.insert(QStringLiteral("version"), QStringLiteral("2.2.0"));
        setOffer(offer);
        ASSERT_EQ(check(), QStringLiteral("findValidUpdate 2.2.0"));
        if (row.fault)
            arm(QString::fromLatin1(row.fault));
        UpdateLoader::setMaxBytes(row.maxBytes ? row.maxBytes : UpdateFileLoader::kDefaultMaxBytes);
        QSignalSpy errors(&app(), &Tarnolix::errorMessage);
        UpdateLoader loader;
        EXPECT_FALSE(download(loader));
        EXPECT_TRUE(loader.error());
        ASSERT_EQ(errors.count(), 1);
        const QString shown = errors.value(0).value(1).toString();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Не удалось скачать обновление: "))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QString::fromLatin1(row.shown))) << shown.toStdString();
        settle([] { return true; }, 0);
        EXPECT_EQ(installers(), QStringList());
        MessageLog log;
        loader.install();
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("UpdateLoader::install: not ready")));
        EXPECT_EQ(m_quits, 0);
    }
    UpdateLoader::setMaxBytes(UpdateFileLoader::kDefaultMaxBytes);
}

// A checked download (redirected within its origin) becomes the installer,
// which starts with the installer's arguments; the program then quits.
TEST_F(ProgramUpdateTest, AGoodDownloadStartsTheInstallerAndQuits)
{
    QTemporaryDir folder;
    const QString record = folder.filePath(QStringLiteral("installer.jsonl"));
    standinControl(standinOrigin(), "POST", QStringLiteral("installer"), QJsonObject{{QStringLiteral("record"), record}});
    for (const char* sha : {"omit", "right"}) {
        SCOPED_TRACE(sha);
        setOffer(QJsonObject{{QStringLiteral("version"), QStringLiteral("2.2.0")}, {QStringLiteral("sha256"), QLatin1String(sha)}});
        ASSERT_EQ(check(), QStringLiteral("findValidUpdate 2.2.0"));
        arm(QStringLiteral("mode=redirect,kind=same,path=/app-update/files/"));
        UpdateLoader loader;
        MessageLog log;
        loader.install();
        EXPECT_TRUE(log.contains(QtWarningMsg, QStringLiteral("UpdateLoader::install: not ready")));
        ASSERT_TRUE(download(loader));
        const QString installer = app().locationInfo()->dataLocation() + QLatin1String(UpdateLoader::kInstallerName);
        EXPECT_EQ(installers(), QStringList{QStringLiteral("tarnolix-update-installer")});
        EXPECT_TRUE(QFile::permissions(installer) & QFileDevice::ExeOwner);
        EXPECT_GT(loader.bytesReceived(), 0);

        QSignalSpy started(&loader, &UpdateLoader::installerStarted);
        const int quits = m_quits;
        loader.install();
        EXPECT_EQ(started.count(), 1);
        EXPECT_EQ(m_quits, quits + 1);
    }
    QStringList lines;
    ASSERT_TRUE(settle([&] {
        QFile file(record);
        lines = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                               : QStringList();
        return lines.size() == 2;
    }, 10000));
    const QJsonObject started = QJsonDocument::fromJson(lines.at(1).toUtf8()).object();
    EXPECT_EQ(started.value(QStringLiteral("version")).toString(), QStringLiteral("2.2.0"));
    EXPECT_EQ(started.value(QStringLiteral("arguments")).toArray(),
              (QJsonArray{QStringLiteral("/SILENT"), QStringLiteral("/NORESTART"), QStringLiteral("/CLOSEAPPLICATIONS"),
                          QStringLiteral("/RESTARTAPPLICATIONS=yes"), QStringLiteral("/TASKS=\"installvsredist\"")}));
}

// The download dialog shows the progress of a slow download, then hands over
// to the installer and accepts.
TEST_F(ProgramUpdateTest, TheDownloadDialogFollowsTheDownloadAndAcceptsOnceTheInstallerRuns)
{
    ASSERT_EQ(check(), QStringLiteral("findValidUpdate 2.2.0"));
    // About six seconds for the installer, so a slow start still sees it half loaded.
    arm(QStringLiteral("mode=drip,chunk=16,interval_ms=150,path=/app-update/files/"));
    QQuickWindow* dialog = loadDialogWindow(m_window, R"(UpdateLoadDlg { objectName: "loadDialog" })",
                                            QStringLiteral("loadDialog"));
    ASSERT_NE(dialog, nullptr);
    QSignalSpy accepted(dialog, SIGNAL(accepted()));
    QSignalSpy rejected(dialog, SIGNAL(rejected()));
    dialog->show();
    QMetaObject::invokeMethod(dialog, "load");
    auto* loader = qobject_cast<UpdateLoader*>(dialog->property("loader").value<QObject*>());
    ASSERT_NE(loader, nullptr);
    QQuickItem* bar = itemIn(dialog, QStringLiteral("loadProgress"));
    ASSERT_TRUE(settle([&] {
        return dialog->isExposed() && bar->property("value").toDouble() > 0
               && bar->property("value").toDouble() < bar->property("to").toDouble() / 2;
    }, 10000));
    EXPECT_EQ(itemIn(dialog, QStringLiteral("loadLabel"))->property("text").toString(),
              QStringLiteral("Загрузка обновления"));
    EXPECT_FALSE(screenshotOf(dialog, QStringLiteral("update-load-dialog")).isEmpty());
    ASSERT_TRUE(settle([&] { return accepted.count() == 1; }, 15000));
    EXPECT_EQ(rejected.count(), 0);
    EXPECT_EQ(m_quits, 1);
}

} // namespace

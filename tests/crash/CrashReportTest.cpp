#include "core/CrashDumpCreator.h"
#include "core/LocationInfo.h"
#include "core/LogFileHandler.h"
#include "core/ServerConfig.h"
#include "core/Settings.h"
#include "platform/CrashCapture.h"

#include "tests/support/SettingsSandbox.h"
#include "tests/support/StandinServer.h"
#include "tests/support/TestSupport.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <JlCompress.h>
#include <quazip.h>
#include <quazipfile.h>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

using tarnolix::test::StandinServer;
using tarnolix::test::waitUntil;

const QString kProbe = QStringLiteral(TARNOLIX_CRASH_PROBE);
const QString kEmail = QStringLiteral("reader@tarnolix.invalid");
// Nothing listens there: uploads fail at once.
const QString kNoServer = QStringLiteral("ftp://127.0.0.1:1");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray zipEntry(const QString& archive, const QString& name)
{
    QuaZipFile file(archive, name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString today()
{
    return QDate::currentDate().toString(Qt::ISODate);
}

StandinServer* g_server = nullptr;

class CrashReportEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        g_server = new StandinServer;
        ASSERT_TRUE(g_server->start()) << "the stand-in server did not start:\n"
                                       << readFile(g_server->logPath()).toStdString();
    }
    void TearDown() override
    {
        delete g_server;
        g_server = nullptr;
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new CrashReportEnvironment);

struct ProbeRun
{
    bool crashed = false;
    int signal = 0;
    QString errors;
};

// The probe in its own settings and data folders, crashing as told.
class CrashProbeTest : public ::testing::Test
{
protected:
    ProbeRun runProbe(const QString& mode, const QString& reportOrigin, const QStringList& extraEnv = {})
    {
        return runProbe(QStringList{mode}, reportOrigin, extraEnv);
    }

    ProbeRun runProbe(const QStringList& arguments, const QString& reportOrigin, const QStringList& extraEnv = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : extraEnv)
            env.insert(name, QStringLiteral("1"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("TARNOLIX_PROBE_DATA"), dataDir());
        env.insert(QStringLiteral("TARNOLIX_PROBE_EMAIL"), kEmail);
        env.insert(QString::fromLatin1(ServerConfig::kCrashReportEnvironment), reportOrigin);
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(kProbe, arguments);
        EXPECT_TRUE(probe.waitForFinished(30000));
        ProbeRun run;
        run.crashed = probe.exitStatus() == QProcess::CrashExit;
        run.signal = probe.exitCode();
        run.errors = QString::fromUtf8(probe.readAllStandardError());
        return run;
    }

    QString dataDir() const { return m_root.filePath(QStringLiteral("data")); }
    QString logDir() const { return dataDir() + QStringLiteral("/Log"); }
    QString mainLog() const { return logDir() + QLatin1Char('/') + today() + QStringLiteral(".log"); }
    QString archive() const { return dataDir() + QStringLiteral("/CrashReport.zip"); }

    // Waits for the sender's last line in the log it opened after packing.
    bool waitForSender(int timeoutMs = 30000)
    {
        return waitUntil([&] { return readFile(mainLog()).contains("probe: sender finished"); }, timeoutMs);
    }

    QTemporaryDir m_root;
};

const QRegularExpression kDumpName(QStringLiteral(R"(^Crash_\d\d-\d\d-\d{4}_\d\d\.\d\d\.\d{3}\.DMP$)"));

TEST_F(CrashProbeTest, SegfaultIsPackedWithTheDaysLogsAndUploaded)
{
    const QStringList before = g_server->reports();
    const ProbeRun run = runProbe(QStringLiteral("segv"), g_server->ftpOrigin());
    EXPECT_TRUE(run.crashed);
    EXPECT_EQ(run.signal, SIGSEGV);
    EXPECT_TRUE(run.errors.contains(QLatin1String(CrashCapture::kSenderStartedMessage))) << run.errors.toStdString();
    ASSERT_TRUE(waitForSender()) << readFile(mainLog()).toStdString();

    // The archive: the dump and the two logs side by side.
    const QStringList entries = JlCompress::getFileList(archive());
    ASSERT_EQ(entries.size(), 3) << entries.join(", ").toStdString();
    const QString dumpName = entries.filter(kDumpName).value(0);
    ASSERT_FALSE(dumpName.isEmpty()) << entries.join(", ").toStdString();
    EXPECT_TRUE(entries.contains(today() + ".log"));
    EXPECT_TRUE(entries.contains(today() + ".error.log"));

    const QByteArray dump = zipEntry(archive(), dumpName);
    EXPECT_TRUE(dump.startsWith(CrashCapture::kDumpHeader)) << dump.toStdString();
    EXPECT_TRUE(dump.endsWith(CrashCapture::kDumpEnd)) << dump.toStdString();
    EXPECT_TRUE(dump.contains("\nsignal: 11 SIGSEGV\n")) << dump.toStdString();
    EXPECT_TRUE(dump.contains("\naddress: 0x10\n")) << dump.toStdString();
    EXPECT_TRUE(dump.contains("tarnolix_crash_probe(")) << "no frame of the probe in the backtrace";
    // Written before the crash, so in the packed logs; the error log has the warning only.
    EXPECT_TRUE(zipEntry(archive(), today() + ".log").contains("probe: before the crash"));
    const QByteArray packedErrors = zipEntry(archive(), today() + ".error.log");
    EXPECT_TRUE(packedErrors.contains("probe: a warning before the crash"));
    EXPECT_FALSE(packedErrors.contains("probe: before the crash"));

    // Packed files are gone; the sender's own lines went to fresh logs.
    EXPECT_TRUE(QDir(logDir()).entryList({QStringLiteral("Crash_*")}).isEmpty());
    const QByteArray newLog = readFile(mainLog());
    EXPECT_FALSE(newLog.contains("probe: before the crash"));
    EXPECT_TRUE(newLog.contains("Report sent")) << newLog.toStdString();

    // The server holds the archive as it is on disk, named after the reader and the time.
    QStringList added = g_server->reports();
    for (const QString& name : before)
        added.removeAll(name);
    ASSERT_EQ(added.size(), 1) << added.join(", ").toStdString();
    static const QRegularExpression name(
        QStringLiteral(R"(^reader@tarnolix\.invalid \d\d-\d\d-\d{4} \d\d-\d\d-\d\d\.zip$)"));
    EXPECT_TRUE(name.match(added.first()).hasMatch()) << added.first().toStdString();
    EXPECT_EQ(readFile(g_server->reportsDir() + "/" + added.first()), readFile(archive()));
}

TEST_F(CrashProbeTest, EveryFatalSignalLeavesADumpOfItsOwn)
{
    struct Case
    {
        const char* mode;
        int signal;
        const char* line;
    };
    const Case cases[] = {
        {"abort", SIGABRT, "\nsignal: 6 SIGABRT\n"},
        {"fpe", SIGFPE, "\nsignal: 8 SIGFPE\n"},
        {"bus", SIGBUS, "\nsignal: 7 SIGBUS\n"},
        {"ill", SIGILL, "\nsignal: 4 SIGILL\n"},
        // A crash off the main thread: no alternate stack there, its own stack serves.
        {"thread", SIGSEGV, "\nsignal: 11 SIGSEGV\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        QDir(dataDir()).removeRecursively();
        const ProbeRun run = runProbe(QString::fromLatin1(c.mode), kNoServer);
        EXPECT_TRUE(run.crashed);
        EXPECT_EQ(run.signal, c.signal);
        ASSERT_TRUE(waitForSender()) << run.errors.toStdString();
        EXPECT_TRUE(readFile(mainLog()).contains("Send report error:"));
        const QString dumpName = JlCompress::getFileList(archive()).filter(kDumpName).value(0);
        const QByteArray dump = zipEntry(archive(), dumpName);
        EXPECT_TRUE(dump.contains(c.line)) << dump.toStdString();
        EXPECT_TRUE(dump.endsWith(CrashCapture::kDumpEnd));
    }
}

TEST_F(CrashProbeTest, FailedDumpStartsNoSenderAndKeepsTheLogs)
{
    const ProbeRun run = runProbe(QStringLiteral("nodump"), kNoServer);
    EXPECT_TRUE(run.crashed);
    EXPECT_EQ(run.signal, SIGSEGV);
    EXPECT_TRUE(run.errors.contains(QLatin1String(CrashCapture::kDumpFailedMessage))) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QLatin1String(CrashCapture::kSenderStartedMessage))) << run.errors.toStdString();

    QThread::msleep(1000); // a sender, if one had started, would have packed by now
    EXPECT_FALSE(QFile::exists(archive()));
    const QString moved = logDir() + QStringLiteral(".moved/");
    EXPECT_TRUE(readFile(moved + today() + ".log").contains("probe: before the crash"));
    EXPECT_TRUE(readFile(moved + today() + ".error.log").contains("probe: a warning before the crash"));
    EXPECT_TRUE(QDir(moved).entryList({QStringLiteral("Crash_*")}).isEmpty());
}

TEST_F(CrashProbeTest, CrashingSenderStartsNoFurtherSender)
{
    // A sender that crashes every time would otherwise start senders without end.
    const ProbeRun run = runProbe(QLatin1String(CrashDumpCreator::kSendReportArgument), kNoServer,
                                  {QStringLiteral("TARNOLIX_PROBE_SENDER_CRASH")});
    EXPECT_TRUE(run.crashed);
    EXPECT_EQ(run.signal, SIGSEGV);
    EXPECT_TRUE(run.errors.contains(QLatin1String("crash dump written to"))) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QLatin1String(CrashCapture::kSenderStartedMessage))) << run.errors.toStdString();
    QThread::msleep(1000); // a sender, had one started, would have logged by now
    EXPECT_FALSE(readFile(mainLog()).contains("probe: sender finished"));
    EXPECT_EQ(QDir(logDir()).entryList({QStringLiteral("Crash_*")}).size(), 1) << "the dump stays for the record";
}

TEST_F(CrashProbeTest, CrashJustBeforeMidnightKeepsThatDaysLogs)
{
    // The crash was yesterday; the sender starts today.
    const QDate yesterday = QDate::currentDate().addDays(-1);
    const QString day = yesterday.toString(Qt::ISODate);
    QDir().mkpath(logDir());
    writeFile(logDir() + "/" + day + ".log", "before the crash\n");
    writeFile(logDir() + "/" + day + ".error.log", "warning before the crash\n");
    writeFile(logDir() + "/2020-01-01.log", "long gone\n");
    const QString dump = logDir() + "/Crash_" + yesterday.toString("dd-MM-yyyy") + "_23.59.987.DMP";
    writeFile(dump, QByteArray(CrashCapture::kDumpHeader) + "signal: 11 SIGSEGV\nbacktrace:\n"
                        + CrashCapture::kDumpEnd);

    const ProbeRun run = runProbe(QStringList{CrashDumpCreator::kSendReportArgument, dump}, kNoServer);
    EXPECT_FALSE(run.crashed);
    ASSERT_TRUE(waitForSender()) << run.errors.toStdString();

    EXPECT_EQ(zipEntry(archive(), day + ".log"), QByteArray("before the crash\n"));
    EXPECT_EQ(zipEntry(archive(), day + ".error.log"), QByteArray("warning before the crash\n"));
    EXPECT_FALSE(JlCompress::getFileList(archive()).contains("2020-01-01.log"));
    EXPECT_TRUE(JlCompress::getFileList(archive()).contains(today() + ".log"));
    EXPECT_EQ(QDir(logDir()).entryList({QStringLiteral("*.log"), QStringLiteral("Crash_*")}, QDir::Files, QDir::Name),
              QStringList({"2020-01-01.log", today() + ".error.log", today() + ".log"}))
        << "packed files are deleted; the next start of the reading room removes the rest";
}

// The sender's steps in this process, with the log handler installed here.
class CrashSenderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings->set(QStringLiteral("Locations/Data"), m_data.path());
        m_settings->set(QStringLiteral("User/email"), kEmail);
        m_locations = std::make_unique<LocationInfo>(*m_settings);
        installLogFileHandler(*m_settings, *m_locations);
        ASSERT_TRUE(logFileNames(m_mainLog, m_errorLog));
    }

    QString dumpPath() const { return m_locations->logPath() + QStringLiteral("/Crash_01-02-2026_03.04.005.DMP"); }
    QString archive() const { return CrashDumpCreator::reportArchivePath(*m_locations); }

    bool runSender(const QStringList& dumps, const ServerConfig& servers = ServerConfig())
    {
        QNetworkAccessManager network;
        return CrashDumpCreator::runSender(QStringList{kProbe, CrashDumpCreator::kSendReportArgument} + dumps,
                                           *m_settings, *m_locations, servers, network);
    }

    tarnolix::test::SettingsSandbox m_sandbox;
    QTemporaryDir m_data;
    std::unique_ptr<Settings> m_settings = std::make_unique<Settings>();
    std::unique_ptr<LocationInfo> m_locations;
    QString m_mainLog;
    QString m_errorLog;
};

const QByteArray kCompleteDump = QByteArray(CrashCapture::kDumpHeader) + "signal: 11 SIGSEGV\nbacktrace:\n"
    + CrashCapture::kDumpEnd;

TEST_F(CrashSenderTest, IncompleteDumpIsAFailureThatKeepsEverything)
{
    // A crash that stopped in the middle of the dump, and an archive left from before.
    writeFile(dumpPath(), QByteArray(CrashCapture::kDumpHeader) + "signal: 11 SIGSEGV\nbacktrace:\n");
    writeFile(archive(), "older report");
    qInfo("line before the sender");

    EXPECT_FALSE(runSender({dumpPath()}));
    EXPECT_TRUE(QFile::exists(dumpPath()));
    EXPECT_EQ(readFile(archive()), QByteArray("older report")); // neither replaced nor sent
    const QByteArray log = readFile(m_mainLog);
    EXPECT_TRUE(log.contains("line before the sender"));
    EXPECT_TRUE(log.contains("No complete crash dump: no report was made"));
    EXPECT_FALSE(log.contains("CrashDumpCreator::sendReport"));

    // The checks behind it.
    writeFile(dumpPath() + ".ok", kCompleteDump);
    writeFile(dumpPath() + ".other", "MDMP not ours\n" + QByteArray(CrashCapture::kDumpEnd));
    EXPECT_TRUE(CrashDumpCreator::isValidDump(dumpPath() + ".ok"));
    EXPECT_FALSE(CrashDumpCreator::isValidDump(dumpPath() + ".other"));
    EXPECT_FALSE(CrashDumpCreator::isValidDump(dumpPath() + ".missing"));
}

TEST_F(CrashSenderTest, ArchiveThatCannotBeWrittenDeletesNothing)
{
    writeFile(dumpPath(), kCompleteDump);
    // A folder where the archive should go: the archive cannot be written.
    ASSERT_TRUE(QDir().mkpath(archive()));
    EXPECT_FALSE(runSender({dumpPath()}));
    EXPECT_TRUE(QFile::exists(dumpPath()));
    EXPECT_TRUE(QFile::exists(m_mainLog));
    EXPECT_TRUE(readFile(m_errorLog).contains("Create report archive error"));
    ASSERT_TRUE(QDir(archive()).removeRecursively());

    // A packed file that vanished: the archive would lack it, so nothing is deleted either.
    EXPECT_FALSE(CrashDumpCreator::packReport(*m_locations, {dumpPath(), dumpPath() + ".gone"}));
    EXPECT_TRUE(QFile::exists(dumpPath()));
    EXPECT_TRUE(QFile::exists(m_mainLog));
}

TEST_F(CrashSenderTest, SenderWithoutArchiveReportsOpenError)
{
    EXPECT_FALSE(runSender({}));
    EXPECT_TRUE(readFile(m_mainLog).contains("Open report file error"));
}

TEST_F(CrashSenderTest, UploadNameKeepsTheEmailInOneFileName)
{
    const QDateTime time(QDate(2026, 2, 1), QTime(3, 4, 5));
    const struct
    {
        QString email;
        QString path;
    } cases[] = {
        {kEmail, "/Reports/reader@tarnolix.invalid 01-02-2026 03-04-05.zip"},
        {"", "/Reports/ 01-02-2026 03-04-05.zip"},
        {"a+b@x.y", "/Reports/a+b@x.y 01-02-2026 03-04-05.zip"},
        {"../up/x%2F@y", "/Reports/..%2Fup%2Fx%252F@y 01-02-2026 03-04-05.zip"},
        {"чтец @x", "/Reports/%D1%87%D1%82%D0%B5%D1%86%20@x 01-02-2026 03-04-05.zip"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CrashDumpCreator::uploadPath(c.email, time), c.path) << c.email.toStdString();

    // Through the FTP client to the server: one file, directly in "Reports".
    writeFile(dumpPath(), kCompleteDump);
    ASSERT_TRUE(CrashDumpCreator::packReport(*m_locations, {dumpPath()}));
    installLogFileHandler(*m_settings, *m_locations);
    m_settings->set(QStringLiteral("User/email"), QStringLiteral("../up/x@y"));
    const QStringList before = g_server->reports();
    QNetworkAccessManager network;
    QSettings overrides;
    overrides.setValue(QLatin1String(ServerConfig::kCrashReportSetting), g_server->ftpOrigin());
    ASSERT_TRUE(CrashDumpCreator::sendReport(*m_locations, *m_settings, ServerConfig::load(&overrides), network));
    QStringList added = g_server->reports();
    for (const QString& name : before)
        added.removeAll(name);
    ASSERT_EQ(added.size(), 1);
    EXPECT_TRUE(added.first().startsWith("..%2Fup%2Fx@y ")) << added.first().toStdString();
    EXPECT_TRUE(QFileInfo(g_server->reportsDir() + "/" + added.first()).isFile());
    EXPECT_EQ(readFile(g_server->reportsDir() + "/" + added.first()), readFile(archive()));
    EXPECT_TRUE(QFile::exists(archive())); // the archive stays
}

} // namespace

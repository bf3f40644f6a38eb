#include "core/LocationInfo.h"
#include "core/LogFileHandler.h"
#include "core/Settings.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/SettingsSandbox.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

// Every line a message becomes: "[dd.MM.yyyy hh:mm:ss] Level: text".
const QRegularExpression kLine(QStringLiteral(R"(^\[(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)\] (\w+): (.*)$)"));

// Messages of the lines, without the time stamps.
QStringList messages(const QStringList& lines)
{
    QStringList result;
    for (const QString& line : lines) {
        const auto match = kLine.match(line);
        EXPECT_TRUE(match.hasMatch()) << line.toStdString();
        result << match.captured(2) + ": " + match.captured(3);
    }
    return result;
}

class LogFileHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings->set("Locations/Data", m_data.path());
        m_locations = std::make_unique<LocationInfo>(*m_settings);
        QDir().mkpath(logDir());
    }

    void install() { installLogFileHandler(*m_settings, *m_locations); }

    QString logDir() const { return m_data.path() + "/Log"; }
    QString today() const { return QDate::currentDate().toString(Qt::ISODate); }
    QString mainLog() const { return logDir() + "/" + today() + ".log"; }
    QString errorLog() const { return logDir() + "/" + today() + ".error.log"; }

    tarnolix::test::SettingsSandbox m_sandbox;
    QTemporaryDir m_data;
    std::unique_ptr<Settings> m_settings = std::make_unique<Settings>();
    std::unique_ptr<LocationInfo> m_locations;
};

} // namespace

TEST_F(LogFileHandlerTest, InstallKeepsOnlyTodaysLogsAndAppendsToThem)
{
    writeFile(logDir() + "/2020-01-01.log", "old\n");
    writeFile(logDir() + "/2020-01-01.error.log", "old\n");
    writeFile(logDir() + "/notes.log", "other\n");
    writeFile(logDir() + "/crash.dmp", "dump\n");
    writeFile(mainLog(), "earlier today\n");
    writeFile(errorLog(), "earlier error\n");

    install();
    qInfo("started");

    QStringList left = QDir(logDir()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left, QStringList({today() + ".error.log", today() + ".log", "crash.dmp"}));
    const QStringList lines = readLines(mainLog());
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "earlier today");
    EXPECT_EQ(messages(lines.mid(1)), QStringList{"Info: started"});
    EXPECT_EQ(readLines(errorLog()), QStringList{"earlier error"});

    QString mainName;
    QString errorName;
    ASSERT_TRUE(logFileNames(mainName, errorName));
    EXPECT_EQ(mainName, mainLog());
    EXPECT_EQ(errorName, errorLog());
}

TEST_F(LogFileHandlerTest, LevelsGoToTheirFilesWithATimeStamp)
{
    install();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    qWarning("x");
    qInfo("only in the main log");
    qCritical("Database::commit error: %s", "disk full");
    qWarning("%s", "Ошибка: текст по-русски");
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const QStringList lines = readLines(mainLog());
    EXPECT_EQ(messages(lines), QStringList({"Warning: x", "Info: only in the main log",
                                            "Critical: Database::commit error: disk full",
                                            "Warning: Ошибка: текст по-русски"}));
    EXPECT_EQ(messages(readLines(errorLog())), QStringList({"Warning: x", "Critical: Database::commit error: disk full",
                                                            "Warning: Ошибка: текст по-русски"}));

    ASSERT_FALSE(lines.isEmpty());
    const QDateTime stamp = QDateTime::fromString(kLine.match(lines[0]).captured(1), "dd.MM.yyyy hh:mm:ss");
    EXPECT_TRUE(stamp.isValid());
    EXPECT_LE(before.toSecsSinceEpoch() - 1, stamp.toSecsSinceEpoch());
    EXPECT_GE(after.toSecsSinceEpoch(), stamp.toSecsSinceEpoch());
    EXPECT_TRUE(lines[0].endsWith("] Warning: x"));
}

TEST_F(LogFileHandlerTest, DebugLinesFollowTheSettingWithoutRestart)
{
    install();
    qDebug("hidden 1");
    m_settings->setDebugLogsEnabled(true);
    qDebug("shown");
    m_settings->setDebugLogsEnabled(false);
    qDebug("hidden 2");

    EXPECT_EQ(messages(readLines(mainLog())), QStringList{"Debug: shown"});
    EXPECT_TRUE(readLines(errorLog()).isEmpty());

    // A stored switch is in force from the start of the next run.
    m_settings->setDebugLogsEnabled(true);
    Settings nextRun;
    installLogFileHandler(nextRun, *m_locations);
    qDebug("from the start");
    EXPECT_EQ(messages(readLines(mainLog())), QStringList({"Debug: shown", "Debug: from the start"}));
}

TEST_F(LogFileHandlerTest, ThreadsLoggingAtOnceWriteWholeLines)
{
    install();
    constexpr int kThreads = 8;
    constexpr int kLines = 400;
    const QString payload(300, QChar(0x0416)); // a two-byte letter, so a torn character would show
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < kLines; ++i)
                qWarning("thread %d line %d %s", t, i, qUtf8Printable(payload));
        });
    }
    go = true;
    for (std::thread& thread : threads)
        thread.join();

    for (const QString& path : {mainLog(), errorLog()}) {
        const QStringList lines = readLines(path);
        ASSERT_EQ(lines.size(), kThreads * kLines) << path.toStdString();
        QSet<QString> seen;
        const QRegularExpression whole("^Warning: thread (\\d) line (\\d+) " + payload + "$");
        for (const QString& message : messages(lines)) {
            const auto match = whole.match(message);
            ASSERT_TRUE(match.hasMatch()) << message.left(80).toStdString();
            seen.insert(match.captured(1) + "/" + match.captured(2));
        }
        EXPECT_EQ(seen.size(), kThreads * kLines);
    }
}

TEST_F(LogFileHandlerTest, UnwritableFolderLeavesTheProgramRunning)
{
    // A regular file where the data directory should be: "Log" cannot be made.
    const QString blocked = m_data.path() + "/blocked";
    writeFile(blocked, "not a directory");
    m_settings->set("Locations/Data", blocked);
    const LocationInfo locations(*m_settings);

    installLogFileHandler(*m_settings, locations);
    QString mainName = "untouched";
    QString errorName = "untouched";
    EXPECT_FALSE(logFileNames(mainName, errorName));
    EXPECT_EQ(mainName, "untouched");
    EXPECT_EQ(errorName, "untouched");

    // Lines for the closed files are dropped; the program runs on.
    qWarning("nowhere");
    qCritical("nowhere either");
    flushLogFiles();
    EXPECT_FALSE(QFileInfo::exists(blocked + "/Log"));
}

TEST_F(LogFileHandlerTest, FatalIsWrittenToBothLogsThenAborts)
{
    install();
    ::testing::FLAGS_gtest_death_test_style = "fast";
    EXPECT_DEATH(qFatal("cannot go on"), "");
    EXPECT_EQ(messages(readLines(mainLog())), QStringList{"Fatal: cannot go on"});
    EXPECT_EQ(messages(readLines(errorLog())), QStringList{"Fatal: cannot go on"});
}

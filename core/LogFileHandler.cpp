#include "core/LogFileHandler.h"

#include "core/CrashDumpCreator.h"
#include "core/LocationInfo.h"
#include "core/Settings.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QObject>
#include <QTextStream>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace {

struct LogFile
{
    QFile file;
    QTextStream stream;

    // Appends one line; a file that did not open swallows it quietly.
    void writeLine(const QString& line)
    {
        if (!file.isOpen())
            return;
        stream << line << Qt::endl;
    }

    void flush()
    {
        if (!file.isOpen())
            return;
        stream.flush();
        file.flush();
    }
};

struct LogState
{
    std::mutex mutex;
    LogFile main;
    LogFile error;
    QMetaObject::Connection debugSwitch;
};

// Never destroyed: threads and static destructors may still log while the
// process exits, and every line is already flushed when it is written.
LogState& logState()
{
    static LogState* state = new LogState;
    return *state;
}

std::atomic<bool> g_debugEnabled{false};

const char* levelPrefix(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "Debug: ";
    case QtWarningMsg: return "Warning: ";
    case QtCriticalMsg: return "Critical: ";
    case QtFatalMsg: return "Fatal: ";
    case QtInfoMsg: return "Info: ";
    }
    return "";
}

// Returns the error text to report, or an empty string on success.
QString openLog(LogFile& log, const QString& path)
{
    log.stream.setDevice(nullptr);
    if (log.file.isOpen())
        log.file.close();
    log.file.setFileName(path);
    if (!log.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return log.file.errorString();
    log.stream.setDevice(&log.file);
    log.stream.setCodec("UTF-8");
    return QString();
}

void removeOldLogs(const QDir& dir, const QStringList& keep)
{
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("*.log")},
                                                    QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (keep.contains(entry.fileName()))
            continue;
        qDebug("Remove file %s", qUtf8Printable(entry.filePath()));
        QFile::remove(entry.filePath());
    }
}

} // namespace

void installLogFileHandler(Settings& settings, const LocationInfo& locations)
{
    LogState& state = logState();

    g_debugEnabled = settings.debugLogsEnabled();
    QObject::disconnect(state.debugSwitch);
    state.debugSwitch = QObject::connect(&settings, &Settings::debugLogsEnabledChanged, &settings,
                                         [s = &settings] { g_debugEnabled = s->debugLogsEnabled(); });

    const QString logDir = locations.logPath();
    QDir().mkpath(logDir);

    const QString date = QDate::currentDate().toString(Qt::ISODate);
    const QString mainName = date + QStringLiteral(".log");
    const QString errorName = date + QStringLiteral(".error.log");
    // The crash-report sender keeps them: a crash just before midnight left
    // its logs under the day before, and they are the sender's to pack.
    if (!CrashDumpCreator::isSenderProcess())
        removeOldLogs(QDir(logDir), {mainName, errorName});

    const QString mainPath = logDir + QLatin1Char('/') + mainName;
    const QString errorPath = logDir + QLatin1Char('/') + errorName;
    QString mainError;
    QString errorError;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        mainError = openLog(state.main, mainPath);
        errorError = openLog(state.error, errorPath);
    }
    // Reported outside the lock: on a first install this reaches Qt's default
    // output, on a later one this handler.
    if (!mainError.isEmpty())
        qCritical("Open file %s Error: %s", qUtf8Printable(mainPath), qUtf8Printable(mainError));
    if (!errorError.isEmpty())
        qCritical("Open file %s Error: %s", qUtf8Printable(errorPath), qUtf8Printable(errorError));

    qInstallMessageHandler(logMessageHandler);
}

void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Q_UNUSED(context)
    if (type == QtDebugMsg && !g_debugEnabled)
        return;

    QString line;
    line.reserve(message.size() + 100);
    line += QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("[dd.MM.yyyy hh:mm:ss] "));
    line += QLatin1String(levelPrefix(type));
    line += message;

    LogState& state = logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.main.writeLine(line);
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        state.error.writeLine(line);
    if (type == QtFatalMsg)
        std::abort();
}

bool logFileNames(QString& mainLog, QString& errorLog)
{
    LogState& state = logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.main.file.isOpen() || !state.error.file.isOpen())
        return false;
    mainLog = state.main.file.fileName();
    errorLog = state.error.file.fileName();
    return true;
}

void flushLogFiles()
{
    LogState& state = logState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.main.flush();
    state.error.flush();
}

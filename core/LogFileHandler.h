#pragma once
// The program's log: every Qt message, time-stamped, goes to the day's log
// file in the data directory's "Log" folder; warnings, critical and fatal
// messages also go to the day's error log. Only today's two files are kept.

#include <QString>
#include <QtGlobal>

class LocationInfo;
class Settings;

// Opens "<yyyy-MM-dd>.log" and "<yyyy-MM-dd>.error.log" in the log folder,
// removes every other "*.log" there (not in the crash-report sender, which
// packs the crash day's logs) and installs logMessageHandler. Debug
// lines are written while settings.debugLogsEnabled() holds, switchable at run
// time. Installing again reopens the files (and follows the new settings).
void installLogFileHandler(Settings& settings, const LocationInfo& locations);

void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// Full names of the open main and error logs; false (arguments untouched)
// unless both are open.
bool logFileNames(QString& mainLog, QString& errorLog);

// Pushes both logs to disk, e.g. before they are packed into a crash report.
void flushLogFiles();

#pragma once
// Crash reports. The writer that the application keeps installs the crash
// capture: on a fatal signal it writes a dump into the log folder and starts
// the program again with "--SENDREPORT" followed by the dump's path. That
// sender process packs the dump and the day's two logs into "CrashReport.zip"
// in the data directory and uploads the archive by FTP to the crash-report
// server that ServerConfig names. The crashed process does nothing else: its
// handler may not take locks (the log's among them) or allocate.

#include <QString>
#include <QStringList>

#include <memory>

class LocationInfo;
class QDateTime;
class QNetworkAccessManager;
class QSettings;
class ServerConfig;
class Settings;

class CrashDumpCreator
{
public:
    virtual ~CrashDumpCreator();

    CrashDumpCreator(const CrashDumpCreator&) = delete;
    CrashDumpCreator& operator=(const CrashDumpCreator&) = delete;

    // The argument that makes the program the crash-report sender.
    static const char* const kSendReportArgument; // "--SENDREPORT"
    // Whether this process was started as the crash-report sender.
    static bool isSenderProcess();
    // Longest wait for the server to take the report.
    static constexpr int kUploadTimeoutMs = 300000;

    static QString reportArchivePath(const LocationInfo& locations);

    // Whether `path` holds a complete dump of the capture's format.
    static bool isValidDump(const QString& path);

    // Packs `files` and the two open log files into the report archive,
    // replacing an older one. The packed files are deleted only once the
    // archive is written and reads back with every one of them; otherwise
    // false, and nothing is deleted.
    static bool packReport(const LocationInfo& locations, QStringList files);

    // The upload's path: "/Reports/<email> <dd-MM-yyyy hh-mm-ss>.zip", the
    // e-mail percent-encoded so that it stays one file-name component.
    static QString uploadPath(const QString& email, const QDateTime& time);

    // Uploads the report archive as the settings' "User/email"; true when the
    // server took it. The archive stays on disk.
    static bool sendReport(const LocationInfo& locations, const QSettings& settings, const ServerConfig& servers,
                           QNetworkAccessManager& network);

    // The sender's work for the arguments it was started with: packs the
    // dumps that follow "--SENDREPORT" (refusing a run whose dumps are all
    // incomplete), with the logs of their day when that was not today, then
    // uploads. Logs deleted by the packing are opened anew,
    // so the sender's own lines are kept.
    static bool runSender(const QStringList& arguments, Settings& settings, const LocationInfo& locations,
                          const ServerConfig& servers, QNetworkAccessManager& network);

protected:
    CrashDumpCreator() = default;
};

// The Linux writer: installs the crash capture with the log folder as the
// dump folder and this executable as the sender (none in the sender itself).
class PosixCrashDumpCreator : public CrashDumpCreator
{
public:
    explicit PosixCrashDumpCreator(const LocationInfo& locations);

    bool isInstalled() const { return m_installed; }

private:
    bool m_installed = false;
};

// The writer of this platform; null when the capture could not be installed.
std::unique_ptr<CrashDumpCreator> createCrashDumpCreator(const LocationInfo& locations);

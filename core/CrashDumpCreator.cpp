#include "core/CrashDumpCreator.h"

#include "core/LocationInfo.h"
#include "core/LogFileHandler.h"
#include "core/ServerConfig.h"
#include "core/Settings.h"
#include "platform/CrashCapture.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QSettings>
#include <QTimer>

#include <JlCompress.h>

namespace {

// A dump is a few kilobytes; anything far larger is not one of ours.
constexpr qint64 kMaxDumpSize = 4 * 1024 * 1024;

// Whether the archive at `path` holds exactly the base names of `files`.
bool archiveHoldsFiles(const QString& path, const QStringList& files)
{
    QSet<QString> expected;
    for (const QString& file : files)
        expected.insert(QFileInfo(file).fileName());
    const QStringList entries = JlCompress::getFileList(path);
    return QSet<QString>(entries.begin(), entries.end()) == expected && entries.size() == files.size();
}

// The logs of the days the dumps were written on, other than today's (which
// are open and packed anyway): a crash just before midnight logged there.
QStringList earlierDayLogs(const LocationInfo& locations, const QStringList& dumps)
{
    QStringList logs;
    for (const QString& dump : dumps) {
        // "Crash_dd-MM-yyyy_hh.mm.zzz.DMP", in local time.
        const QDate day = QDate::fromString(QFileInfo(dump).fileName().mid(6, 10), QStringLiteral("dd-MM-yyyy"));
        if (!day.isValid() || day == QDate::currentDate())
            continue;
        for (const char* suffix : {".log", ".error.log"}) {
            const QString log = locations.logPath() + QLatin1Char('/') + day.toString(Qt::ISODate)
                + QLatin1String(suffix);
            if (QFileInfo(log).isFile() && !logs.contains(log))
                logs << log;
        }
    }
    return logs;
}

} // namespace

const char* const CrashDumpCreator::kSendReportArgument = "--SENDREPORT";

bool CrashDumpCreator::isSenderProcess()
{
    return QCoreApplication::arguments().contains(QLatin1String(kSendReportArgument));
}

CrashDumpCreator::~CrashDumpCreator() = default;

QString CrashDumpCreator::reportArchivePath(const LocationInfo& locations)
{
    return locations.dataLocation() + QLatin1String("/CrashReport.zip");
}

bool CrashDumpCreator::isValidDump(const QString& path)
{
    QFile file(path);
    if (file.size() > kMaxDumpSize || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = file.readAll();
    return content.startsWith(CrashCapture::kDumpHeader) && content.endsWith(CrashCapture::kDumpEnd)
        && content.contains("\nsignal: ");
}

bool CrashDumpCreator::packReport(const LocationInfo& locations, QStringList files)
{
    qInfo("sendReport");
    QString mainLog;
    QString errorLog;
    if (logFileNames(mainLog, errorLog))
        files << mainLog << errorLog;
    flushLogFiles();

    const QString archive = reportArchivePath(locations);
    if (!JlCompress::compressFiles(archive, files) || !archiveHoldsFiles(archive, files)) {
        qWarning("Create report archive error");
        return false;
    }
    for (const QString& file : files) {
        if (!QFile::remove(file))
            qWarning("Remove packed file error: %s", qUtf8Printable(file));
    }
    return true;
}

QString CrashDumpCreator::uploadPath(const QString& email, const QDateTime& time)
{
    // Everything but letters, digits and "-._~@+" is encoded, "/" and "%"
    // among them, so the name can neither climb nor open other folders.
    const QString name = QString::fromLatin1(QUrl::toPercentEncoding(email, QByteArrayLiteral("@+")));
    return QStringLiteral("/Reports/%1 %2.zip")
        .arg(name, QLocale::c().toString(time, QStringLiteral("dd-MM-yyyy hh-mm-ss")));
}

bool CrashDumpCreator::sendReport(const LocationInfo& locations, const QSettings& settings,
                                  const ServerConfig& servers, QNetworkAccessManager& network)
{
    qInfo("CrashDumpCreator::sendReport");
    QFile file(reportArchivePath(locations));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Open report file error");
        return false;
    }

    QUrl url = servers.crashReportOrigin();
    const QString email = settings.value(QStringLiteral("User/email")).toString();
    // Decoded mode: the percent signs of the encoded e-mail are part of the name.
    url.setPath(uploadPath(email, QDateTime::currentDateTime()), QUrl::DecodedMode);

    QNetworkReply* reply = network.put(QNetworkRequest(url), &file);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // A server that accepts the connection and then goes silent must not keep
    // the sender alive for ever.
    QObject::connect(&timeout, &QTimer::timeout, reply, &QNetworkReply::abort);
    timeout.start(kUploadTimeoutMs);
    if (!reply->isFinished())
        loop.exec();

    const bool sent = reply->error() == QNetworkReply::NoError;
    if (sent)
        qInfo("Report sent");
    else
        qWarning("Send report error: %s", qUtf8Printable(reply->errorString()));
    reply->deleteLater();
    file.close();
    return sent;
}

bool CrashDumpCreator::runSender(const QStringList& arguments, Settings& settings, const LocationInfo& locations,
                                 const ServerConfig& servers, QNetworkAccessManager& network)
{
    const int at = arguments.indexOf(QLatin1String(kSendReportArgument));
    QStringList given;
    for (int i = at + 1; at >= 0 && i < arguments.size(); ++i) {
        if (!arguments.at(i).startsWith(QLatin1Char('-')))
            given << arguments.at(i);
    }

    if (!given.isEmpty()) {
        QStringList dumps;
        for (const QString& dump : given) {
            if (isValidDump(dump))
                dumps << dump;
            else
                qWarning("Incomplete crash dump: %s", qUtf8Printable(dump));
        }
        if (dumps.isEmpty()) {
            qWarning("No complete crash dump: no report was made");
            return false;
        }
        QString mainLog;
        QString errorLog;
        const bool logsOpen = logFileNames(mainLog, errorLog);
        if (!packReport(locations, dumps + earlierDayLogs(locations, dumps)))
            return false;
        if (logsOpen)
            installLogFileHandler(settings, locations);
    }
    return sendReport(locations, settings, servers, network);
}

PosixCrashDumpCreator::PosixCrashDumpCreator(const LocationInfo& locations)
{
    const QString dumpDirectory = locations.logPath();
    QDir().mkpath(dumpDirectory);
    // A crash of the sender itself leaves its dump but starts no sender: one
    // that crashes every time would otherwise start senders without end.
    QString executable;
    if (!isSenderProcess()) {
        executable = QCoreApplication::applicationFilePath();
        if (executable.isEmpty())
            executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    }

    CrashCapture::Config config;
    config.dumpDirectory = QFile::encodeName(dumpDirectory).toStdString();
    config.executable = QFile::encodeName(executable).toStdString();
    config.senderArguments = {kSendReportArgument};
    m_installed = CrashCapture::install(config);
    if (!m_installed)
        qWarning("Install crash handler error");
}

std::unique_ptr<CrashDumpCreator> createCrashDumpCreator(const LocationInfo& locations)
{
    auto creator = std::make_unique<PosixCrashDumpCreator>(locations);
    if (!creator->isInstalled())
        return nullptr;
    return creator;
}

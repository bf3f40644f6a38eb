#include "app/UpdateLoader.h"

#include "app/AutoUpdater.h"
#include "app/Tarnolix.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSaveFile>

#include <atomic>

namespace {

std::function<void()>& quitHandler()
{
    static std::function<void()> handler;
    return handler;
}

std::atomic<qint64> s_maxBytes{UpdateFileLoader::kDefaultMaxBytes};

} // namespace

UpdateFileLoader::UpdateFileLoader(QNetworkAccessManager* manager, const QUrl& url, const QString& filePath,
                                   const QString& sha256, qint64 maxBytes, QObject* parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_sha256(sha256.toLower())
    , m_maxBytes(maxBytes)
    , m_file(std::make_unique<QSaveFile>(filePath))
{
    QNetworkRequest request(url);
    // An installer comes from where the list pointed, nowhere else.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    m_reply = manager->get(request);
    m_reply->setParent(this);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateFileLoader::replyFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &UpdateFileLoader::replyDownloadProgress);
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        qWarning("UpdateFileLoader: Open file error: %s", qUtf8Printable(m_file->errorString()));
}

UpdateFileLoader::~UpdateFileLoader()
{
    // An uncommitted save file removes its temporary file.
    release();
}

bool UpdateFileLoader::writeAvailable()
{
    if (!m_reply)
        return false;
    const QByteArray data = m_reply->readAll();
    if (data.isEmpty())
        return true;
    if (m_written + data.size() > m_maxBytes) {
        m_error = QStringLiteral("Update file is larger than %1 bytes").arg(m_maxBytes);
        qWarning("UpdateFileLoader: Write file error: %s", qUtf8Printable(m_error));
        return false;
    }
    if (!m_file || m_file->write(data) != data.size()) {
        m_error = m_file ? m_file->errorString() : QStringLiteral("No file");
        qWarning("UpdateFileLoader: Write file error: %s", qUtf8Printable(m_error));
        return false;
    }
    m_hash.addData(data);
    m_written += data.size();
    return true;
}

void UpdateFileLoader::replyDownloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    if (!m_reply)
        return;
    bool ok = writeAvailable();
    if (ok && bytesTotal > m_maxBytes) {
        m_error = QStringLiteral("Update file is larger than %1 bytes").arg(m_maxBytes);
        ok = false;
    }
    if (ok) {
        emit downloadProgress(bytesReceived, bytesTotal);
        return;
    }
    release();
    emit failed(m_error);
}

void UpdateFileLoader::replyFinished()
{
    if (!m_reply)
        return;
    QString error;
    if (m_reply->error() != QNetworkReply::NoError) {
        error = m_reply->errorString();
    } else if (!writeAvailable()) {
        error = m_error;
    } else {
        error = finishFile();
    }
    if (error.isEmpty()) {
        release();
        emit finished();
        return;
    }
    qWarning("UpdateFileLoader: Error: %s", qUtf8Printable(error));
    release();
    emit failed(error);
}

QString UpdateFileLoader::finishFile()
{
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200)
        return QStringLiteral("Unexpected HTTP status %1").arg(status);
    if (m_written == 0)
        return QStringLiteral("Update file is empty");
    if (!m_sha256.isEmpty() && QString::fromLatin1(m_hash.result().toHex()) != m_sha256)
        return QStringLiteral("Update file checksum mismatch");
    if (!m_file->commit())
        return m_file->errorString();
    m_file.reset();
    QFile::setPermissions(m_filePath, QFile::permissions(m_filePath) | QFileDevice::ExeOwner | QFileDevice::ReadOwner);
    return QString();
}

void UpdateFileLoader::release()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
}

UpdateLoader::UpdateLoader(QObject* parent)
    : QObject(parent)
{
}

void UpdateLoader::setQuitHandler(std::function<void()> handler)
{
    quitHandler() = std::move(handler);
}

void UpdateLoader::setMaxBytes(qint64 maxBytes)
{
    s_maxBytes.store(maxBytes);
}

void UpdateLoader::load()
{
    if (m_fileLoader) {
        qWarning("UpdateLoader::load: busy");
        return;
    }
    QString url;
    QString sha256;
    Tarnolix* app = Tarnolix::instance();
    if (auto* updater = app ? qobject_cast<LinuxAutoUpdater*>(app->autoUpdater()) : nullptr) {
        const UpdateChecker* checker = updater->checker();
        if (!checker->performed() && !checker->error()) {
            url = checker->actualVersionLink();
            sha256 = checker->actualVersionSha256();
        }
    }
    if (url.isEmpty() || !app) {
        qWarning("Get url for load update error");
        m_error = true;
    } else {
        qDebug("Load update %s", qUtf8Printable(url));
        m_error = false;
        m_installerPath.clear();
        m_fileLoader = new UpdateFileLoader(programUpdateNetwork(this), QUrl(url),
                                            app->locationInfo()->dataLocation() + QLatin1String(kInstallerName),
                                            sha256, s_maxBytes.load(), this);
        connect(m_fileLoader, &UpdateFileLoader::failed, this, &UpdateLoader::fileLoaderError);
        connect(m_fileLoader, &UpdateFileLoader::finished, this, &UpdateLoader::fileLoaderFinished);
        connect(m_fileLoader, &UpdateFileLoader::downloadProgress, this, &UpdateLoader::loaderDownloadProgress);
    }
    emit statusChanged();
}

void UpdateLoader::loaderDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal)
{
    m_bytesReceived = int(bytesReceived);
    m_bytesTotal = int(bytesTotal);
    emit downloadProgress(m_bytesReceived, m_bytesTotal);
    emit statusChanged();
}

void UpdateLoader::fileLoaderError(const QString& text)
{
    m_error = true;
    releaseFileLoader();
    if (Tarnolix* app = Tarnolix::instance())
        app->showError(tr("Не удалось скачать обновление: ") + text);
    emit statusChanged();
}

void UpdateLoader::fileLoaderFinished()
{
    m_installerPath = m_fileLoader->filePath();
    m_error = false;
    releaseFileLoader();
    emit statusChanged();
}

void UpdateLoader::releaseFileLoader()
{
    if (!m_fileLoader)
        return;
    m_fileLoader->disconnect(this);
    m_fileLoader->deleteLater();
    m_fileLoader = nullptr;
}

void UpdateLoader::install()
{
    qWarning("UpdateLoader::install");
    if (m_fileLoader || m_error || m_installerPath.isEmpty()) {
        qWarning("UpdateLoader::install: not ready");
        return;
    }
    QProcess process;
    process.setProgram(m_installerPath);
    process.setArguments({QStringLiteral("/SILENT"), QStringLiteral("/NORESTART"), QStringLiteral("/CLOSEAPPLICATIONS"),
                          QStringLiteral("/RESTARTAPPLICATIONS=yes"), QStringLiteral("/TASKS=\"installvsredist\"")});
    if (process.startDetached()) {
        qDebug("Installer started");
        emit installerStarted();
        qWarning("Quit app");
        if (quitHandler())
            quitHandler()();
        else
            QCoreApplication::quit();
        return;
    }
    qCritical("Start installer error: %s", qUtf8Printable(process.errorString()));
    m_error = true;
    if (Tarnolix* app = Tarnolix::instance())
        app->showError(tr("Не удалось начать установку: ") + process.errorString());
    emit statusChanged();
}

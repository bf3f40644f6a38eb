#pragma once
// The download of a new program version and the start of its installer.
// UpdateFileLoader fetches one file into a temporary file beside its target
// and only renames it into place once it is whole and checked; UpdateLoader
// (the download dialog's object) takes the installer link from the program
// updater, downloads it into the data folder and starts it.

#include <QByteArray>
#include <QCryptographicHash>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

class UpdateFileLoader : public QObject
{
    Q_OBJECT

public:
    // An installer is a few hundred megabytes at most.
    static constexpr qint64 kDefaultMaxBytes = 1024LL * 1024 * 1024;

    // Starts the download at once. `sha256` (lower-case hex) is checked when
    // not empty; the file at `filePath` appears only once everything holds.
    UpdateFileLoader(QNetworkAccessManager* manager, const QUrl& url, const QString& filePath,
                     const QString& sha256 = QString(), qint64 maxBytes = kDefaultMaxBytes,
                     QObject* parent = nullptr);
    ~UpdateFileLoader() override;

    QString filePath() const { return m_filePath; }

signals:
    void downloadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void failed(const QString& error);
    void finished();

public slots:
    void replyFinished();
    void replyDownloadProgress(qint64 bytesReceived, qint64 bytesTotal);

private:
    // Appends what the reply has; false with m_error set on failure.
    bool writeAvailable();
    QString finishFile();
    void release();

    QNetworkReply* m_reply = nullptr;
    const QString m_filePath;
    const QString m_sha256;
    const qint64 m_maxBytes;
    std::unique_ptr<QSaveFile> m_file;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    qint64 m_written = 0;
    QString m_error;
};

class UpdateLoader : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isActive READ isActive NOTIFY statusChanged)
    Q_PROPERTY(int bytesReceived READ bytesReceived NOTIFY statusChanged)
    Q_PROPERTY(int bytesTotal READ bytesTotal NOTIFY statusChanged)
    Q_PROPERTY(bool error READ error NOTIFY statusChanged)
    Q_PROPERTY(bool installReady READ installReady NOTIFY statusChanged)

public:
    // The installer's name in the data folder.
    static constexpr const char* kInstallerName = "/tarnolix-update-installer";

    explicit UpdateLoader(QObject* parent = nullptr);

    bool isActive() const { return m_fileLoader != nullptr; }
    int bytesReceived() const { return m_bytesReceived; }
    int bytesTotal() const { return m_bytesTotal; }
    bool error() const { return m_error; }
    bool installReady() const { return !isActive() && !m_error && !m_installerPath.isEmpty(); }

    Q_INVOKABLE void load();
    Q_INVOKABLE void install();

    // What ends the program once the installer runs; tests replace it.
    static void setQuitHandler(std::function<void()> handler);
    // The size cap of a download; tests lower it.
    static void setMaxBytes(qint64 maxBytes);

signals:
    void statusChanged();
    void downloadProgress(int bytesReceived, int bytesTotal);
    void installerStarted();

public slots:
    void loaderDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal);
    void fileLoaderError(const QString& text);
    void fileLoaderFinished();

private:
    void releaseFileLoader();

    UpdateFileLoader* m_fileLoader = nullptr;
    int m_bytesReceived = 0;
    int m_bytesTotal = 0;
    bool m_error = false;
    QString m_installerPath;
};

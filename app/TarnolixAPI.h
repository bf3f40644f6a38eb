#pragma once
// The client of the account API server. Every request gets an id at once;
// its result arrives later as a TarnolixAPIResult, announced by received(id),
// fetched with getResult(id) and released with removeResult(id). Results
// nobody removes expire after the result lifetime. Book archives go through
// the client's BookDownloadTransport.
//
// An instance is used only on the thread it lives on; its network managers,
// replies, results and timers live there too. The send-time log behind
// recentApiRequestCount() is shared by all instances.

#include "app/NetworkManagerFactory.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class BookDownloadTransport;
class QNetworkAccessManager;
class QNetworkRequest;
class QSettings;
class QTimerEvent;

class TarnolixAPIResult : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int id READ id CONSTANT)

public:
    // Takes `reply` as its child and reads its whole body now.
    TarnolixAPIResult(QNetworkReply* reply, int id, qint64 createdMs, QObject* parent = nullptr);

    int id() const { return m_id; }
    qint64 creationTime() const { return m_created; }
    // The reply, null once it is gone; consumers read its "TAPI_..." properties.
    QNetworkReply* reply() const { return m_reply; }
    const QByteArray& body() const { return m_body; }

    Q_INVOKABLE bool isSuccess() const;
    Q_INVOKABLE QString getErrorText() const;
    Q_INVOKABLE QString getToken() const;
    QString apiResultGetString() const;
    QString apiResultGetMessage() const;
    QJsonValue apiResultGetValue() const;
    QNetworkReply::NetworkError networkError() const;
    bool hasNetworkError() const;
    QString replyErrorString() const;
    // The HTTP status of the answer, 0 when none came; kept after the reply
    // is gone, so a caller can tell a refused session (401, 403) from others.
    int httpStatus() const { return m_httpStatus; }
    // The root object of the body, parsed on first use; empty when the body
    // is not a JSON object.
    QJsonObject parse() const;

public slots:
    void replyDestroyed();

private:
    QNetworkReply* m_reply;
    mutable QJsonObject m_root;
    qint64 m_created;
    int m_id;
    QByteArray m_body;
    int m_httpStatus = 0;
};

class TarnolixAPI : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString token READ token WRITE setToken NOTIFY tokenChanged)

public:
    static constexpr int kRecoveryDelayMs = 30000;
    static constexpr int kResultLifetimeMs = 60000;
    static constexpr int kDefaultTransferTimeoutMs = 300000;
    static constexpr int kUserTransferTimeoutMs = 15000;
    static constexpr int kListTransferTimeoutMs = 30000;

    // The program passes the parent only. The base URL is ServerConfig's API
    // origin, read once here from the current settings and environment.
    explicit TarnolixAPI(QObject* parent = nullptr, NetworkManagerFactory transportFactory = {},
                         int recoveryDelayMs = kRecoveryDelayMs, NetworkManagerFactory managerFactory = {},
                         int stallTimeoutMs = 60000, int resultLifetimeMs = kResultLifetimeMs);
    ~TarnolixAPI() override;

    QString token() const { return m_token; }
    void setToken(const QString& token);
    QString baseUrl() const { return m_baseUrl; }
    QByteArray deviceId() const { return m_deviceId; }
    int resultLifetime() const { return m_resultLifetimeMs; }

    Q_INVOKABLE int get(const QString& path);
    int post(const QString& path, const QByteArray& body, const QByteArray& contentType);
    // Form-data parts in ascending key order, each value as bytes (text in UTF-8).
    Q_INVOKABLE int postMultiPart(const QString& path, const QVariant& fields);
    int sendCustomRequest(const QString& path, const QByteArray& verb, const QByteArray& body,
                          const QByteArray& contentType);
    int sendDelete(const QString& path, const QByteArray& body, const QByteArray& contentType);
    // GET "/books/download/<bookId>" through the transport.
    int getBook(int bookId);

    Q_INVOKABLE TarnolixAPIResult* getResult(int id) const;
    Q_INVOKABLE void removeResult(int id);

    void cancelBookDownloads();
    // Logout: book downloads cancelled, running requests dropped without a
    // result, a new network manager, every stored result discarded.
    void reset();

    // Carries every request but book archives; the library update issues
    // plain requests of its own on it. Replaced after an unknown network
    // error and on reset.
    QNetworkAccessManager* networkManager() const { return m_manager; }
    BookDownloadTransport* transport() const { return m_transport; }

    // The request with the client's headers and the default time-out.
    QNetworkRequest apiBuildRequest(const QString& path, const QByteArray& contentType) const;

    // Requests sent by all instances in the last 60 seconds.
    static int recentApiRequestCount();
    // The MD5 digest of the array's compact JSON text.
    static QByteArray jsonArrayHash(const QJsonArray& array);
    // The send-time log's entries at the given time in seconds since the
    // epoch (what recentApiRequestCount and sending do with "now").
    static void noteApiRequestSentAt(qint64 nowSeconds);
    static int recentApiRequestCountAt(qint64 nowSeconds);

    // "deviceId" of `settings` (null: none), made from the machine id or a
    // random UUID and stored when missing; never made again once stored.
    static QByteArray loadOrCreateDeviceId(QSettings* settings);

signals:
    void tokenChanged();
    void received(int requestId);

public slots:
    void replyFinished();
    void resultDestroyed();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    int sendRequest(const QString& path, const QByteArray& contentType,
                    const std::function<QNetworkReply*(const QNetworkRequest&)>& operation, bool book = false);
    void switchExpiryTimer();
    // New requests go to a new manager; the old one goes after its last
    // reply (at once when it has none). With `cancel` its running replies are
    // aborted first and dropped without a result.
    void replaceManager(bool cancel);
    void replyGone(QNetworkReply* reply);

    NetworkManagerFactory m_managerFactory;
    QNetworkAccessManager* m_manager = nullptr;
    BookDownloadTransport* m_transport = nullptr;
    QByteArray m_deviceId;
    QString m_baseUrl;
    QString m_token;
    QByteArray m_tokenBytes;
    int m_lastRequestId = 0;
    int m_resultLifetimeMs;
    QMap<int, TarnolixAPIResult*> m_results;
    int m_expiryTimerId = 0;
    int m_resetTimerId = 0;
    QByteArray m_multipartNamePrefix;
    QByteArray m_multipartNameSuffix;
    // Non-book replies that still exist, with the manager each came from.
    QHash<QNetworkReply*, QNetworkAccessManager*> m_replies;
    QList<QNetworkAccessManager*> m_retiredManagers;
};

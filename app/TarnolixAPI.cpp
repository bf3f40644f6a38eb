#include "app/TarnolixAPI.h"

#include "app/BookDownloadTransport.h"
#include "core/ServerConfig.h"
#include "core/Settings.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSysInfo>
#include <QTimerEvent>
#include <QUrl>
#include <QUuid>

#include <deque>
#include <memory>

namespace {

const char kId[] = "TAPI_id";
const char kBook[] = "TAPI_book";
const char kFinished[] = "TAPI_finished";
const char kCancelled[] = "TAPI_cancelled";
const char kDeviceIdKey[] = "deviceId";
constexpr int kResetDelayMs = 1000;
constexpr int kExpiryIntervalMs = 1000;
constexpr qint64 kSendLogWindowSeconds = 60;

// Send times of every instance, seconds since the epoch, oldest first.
QMutex g_sendLogMutex;
std::deque<qint64> g_sendLog;

// Under the mutex: entries older than the window go (one exactly 60 s old stays).
void trimSendLog(qint64 nowSeconds)
{
    while (!g_sendLog.empty() && g_sendLog.front() < nowSeconds - kSendLogWindowSeconds)
        g_sendLog.pop_front();
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

// Result

TarnolixAPIResult::TarnolixAPIResult(QNetworkReply* reply, int id, qint64 createdMs, QObject* parent)
    : QObject(parent)
    , m_reply(reply)
    , m_created(createdMs)
    , m_id(id)
{
    if (!m_reply)
        return;
    m_reply->setParent(this);
    m_body = m_reply->readAll();
    m_httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    connect(m_reply, &QObject::destroyed, this, &TarnolixAPIResult::replyDestroyed);
}

void TarnolixAPIResult::replyDestroyed()
{
    m_reply = nullptr;
    qWarning("TarnolixAPIResult::replyDestroyed");
}

QJsonObject TarnolixAPIResult::parse() const
{
    if (!m_root.isEmpty())
        return m_root;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(m_body, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("TarnolixAPIResult: Parse JSON error: %s", qUtf8Printable(error.errorString()));
    else if (!document.isObject())
        qWarning("TarnolixAPIResult: root is not object");
    else
        m_root = document.object();
    return m_root;
}

bool TarnolixAPIResult::isSuccess() const
{
    return parse().value(QLatin1String("success")).toBool(false);
}

QString TarnolixAPIResult::getErrorText() const
{
    const QJsonValue message = parse().value(QLatin1String("message"));
    if (message.isString() && !message.toString().isEmpty())
        return message.toString();
    return replyErrorString();
}

QString TarnolixAPIResult::getToken() const
{
    if (!m_reply)
        return QString();
    return QString::fromUtf8(m_reply->rawHeader("api-token"));
}

QString TarnolixAPIResult::apiResultGetString() const
{
    return parse().value(QLatin1String("code")).toString();
}

QString TarnolixAPIResult::apiResultGetMessage() const
{
    return parse().value(QLatin1String("message")).toString();
}

QJsonValue TarnolixAPIResult::apiResultGetValue() const
{
    const QJsonValue value = parse().value(QLatin1String("data"));
    return value.isUndefined() ? QJsonValue() : value;
}

QNetworkReply::NetworkError TarnolixAPIResult::networkError() const
{
    return m_reply ? m_reply->error() : QNetworkReply::NoError;
}

bool TarnolixAPIResult::hasNetworkError() const
{
    return !m_reply || m_reply->error() != QNetworkReply::NoError;
}

QString TarnolixAPIResult::replyErrorString() const
{
    return m_reply ? m_reply->errorString() : QString();
}

// Client

TarnolixAPI::TarnolixAPI(QObject* parent, NetworkManagerFactory transportFactory, int recoveryDelayMs,
                         NetworkManagerFactory managerFactory, int stallTimeoutMs, int resultLifetimeMs)
    : QObject(parent)
    , m_managerFactory(std::move(managerFactory))
    , m_resultLifetimeMs(resultLifetimeMs)
    , m_multipartNamePrefix("form-data; name=\"")
    , m_multipartNameSuffix("\"")
{
    m_manager = makeNetworkManager(m_managerFactory, this);
    m_transport = new BookDownloadTransport(std::move(transportFactory), recoveryDelayMs, stallTimeoutMs, this);
    m_deviceId = loadOrCreateDeviceId(Settings::current());
    // Origins are checked there: plain http only to a loopback host.
    m_baseUrl = ServerConfig::load(Settings::current()).apiOrigin().toString(QUrl::StripTrailingSlash);
}

TarnolixAPI::~TarnolixAPI()
{
    cancelBookDownloads();
    // Replies and results before the managers they came from: a reply must
    // not outlive its manager.
    const QObjectList children = this->children();
    for (QObject* child : children) {
        if (qobject_cast<QNetworkReply*>(child) || qobject_cast<TarnolixAPIResult*>(child))
            delete child;
    }
    m_results.clear();
    delete m_transport;
    m_transport = nullptr;
}

QByteArray TarnolixAPI::loadOrCreateDeviceId(QSettings* settings)
{
    QByteArray id = settings ? settings->value(QLatin1String(kDeviceIdKey)).toByteArray() : QByteArray();
    if (!id.isEmpty()) {
        qDebug() << "deviceId:" << id;
        return id;
    }
    id = QSysInfo::machineUniqueId();
    if (!id.isEmpty()) {
        qDebug() << "deviceId created with QSysInfo::machineUniqueId:" << id;
    } else {
        id = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
        qDebug() << "deviceId created with UUID:" << id;
    }
    if (settings)
        settings->setValue(QLatin1String(kDeviceIdKey), id);
    return id;
}

void TarnolixAPI::setToken(const QString& token)
{
    if (token == m_token)
        return;
    m_token = token;
    m_tokenBytes = token.toUtf8();
    emit tokenChanged();
}

QNetworkRequest TarnolixAPI::apiBuildRequest(const QString& path, const QByteArray& contentType) const
{
    QNetworkRequest request(QUrl(m_baseUrl + path, QUrl::TolerantMode));
    request.setTransferTimeout(kDefaultTransferTimeoutMs);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    request.setRawHeader("accept", "application/json");
    request.setRawHeader("device-id", m_deviceId);
    if (!m_tokenBytes.isEmpty())
        request.setRawHeader("Api-Authorization", m_tokenBytes);
    return request;
}

int TarnolixAPI::sendRequest(const QString& path, const QByteArray& contentType,
                             const std::function<QNetworkReply*(const QNetworkRequest&)>& operation, bool book)
{
    const QUrl url(m_baseUrl + path, QUrl::TolerantMode);
    qDebug() << "TarnolixAPI::sendRequest" << url.host() << url.path();
    QNetworkAccessManager* manager = m_manager;
    QNetworkReply* reply = operation(apiBuildRequest(path, contentType));
    noteApiRequestSentAt(QDateTime::currentSecsSinceEpoch());
    const int id = ++m_lastRequestId;
    reply->setParent(this);
    reply->setProperty(kId, id);
    if (book) {
        reply->setProperty(kBook, true);
    } else {
        m_replies.insert(reply, manager);
        connect(reply, &QObject::destroyed, this, [this, reply] { replyGone(reply); });
    }
    connect(reply, &QNetworkReply::finished, this, &TarnolixAPI::replyFinished);
    return id;
}

int TarnolixAPI::get(const QString& path)
{
    return sendRequest(path, QByteArray(), [this, &path](QNetworkRequest request) {
        if (path == QLatin1String("/user"))
            request.setTransferTimeout(kUserTransferTimeoutMs);
        else if (path.startsWith(QLatin1String("/base/")) || path.startsWith(QLatin1String("/books/books?")))
            request.setTransferTimeout(kListTransferTimeoutMs);
        return m_manager->get(request);
    });
}

int TarnolixAPI::post(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    return sendRequest(path, contentType,
                       [this, &body](const QNetworkRequest& request) { return m_manager->post(request, body); });
}

int TarnolixAPI::postMultiPart(const QString& path, const QVariant& fields)
{
    QVariantMap map;
    if (fields.canConvert<QVariantMap>())
        map = fields.toMap();
    else
        qWarning("TarnolixAPI::postMultiPart: Convert to QVariantMap error");
    auto multiPart = std::make_unique<QHttpMultiPart>(QHttpMultiPart::FormDataType);
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (!it.value().canConvert<QByteArray>()) {
            qWarning("TarnolixAPI::postMultiPart: Convert to QByteArray error");
            continue;
        }
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       m_multipartNamePrefix + it.key().toUtf8() + m_multipartNameSuffix);
        part.setBody(it.value().toByteArray());
        multiPart->append(part);
    }
    return sendRequest(path, QByteArray(), [this, &multiPart](const QNetworkRequest& request) {
        QNetworkReply* reply = m_manager->post(request, multiPart.get());
        multiPart.release()->setParent(reply);
        return reply;
    });
}

int TarnolixAPI::sendCustomRequest(const QString& path, const QByteArray& verb, const QByteArray& body,
                                   const QByteArray& contentType)
{
    return sendRequest(path, contentType, [this, &verb, &body](const QNetworkRequest& request) {
        return m_manager->sendCustomRequest(request, verb, body);
    });
}

int TarnolixAPI::sendDelete(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    return sendCustomRequest(path, QByteArrayLiteral("DELETE"), body, contentType);
}

int TarnolixAPI::getBook(int bookId)
{
    return sendRequest(
        QStringLiteral("/books/download/%1").arg(bookId), QByteArray(),
        [this](const QNetworkRequest& request) { return m_transport->bookTransportStart(request); }, true);
}

TarnolixAPIResult* TarnolixAPI::getResult(int id) const
{
    return m_results.value(id, nullptr);
}

void TarnolixAPI::removeResult(int id)
{
    TarnolixAPIResult* result = m_results.take(id);
    if (!result)
        return;
    result->deleteLater();
    switchExpiryTimer();
}

void TarnolixAPI::resultDestroyed()
{
    for (auto it = m_results.begin(); it != m_results.end(); ++it) {
        if (it.value() == sender()) {
            m_results.erase(it);
            break;
        }
    }
    switchExpiryTimer();
}

void TarnolixAPI::replyFinished()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    if (reply->property(kCancelled).toBool()) {
        reply->deleteLater();
        return;
    }
    if (reply->property(kFinished).toBool())
        return;
    reply->setProperty(kFinished, true);
    if (reply->error() == QNetworkReply::UnknownNetworkError && !reply->property(kBook).toBool() &&
        m_resetTimerId == 0)
        m_resetTimerId = startTimer(kResetDelayMs, Qt::CoarseTimer);

    const int id = reply->property(kId).toInt();
    auto* result = new TarnolixAPIResult(reply, id, nowMs(), this);
    if (TarnolixAPIResult* earlier = m_results.value(id, nullptr))
        earlier->deleteLater();
    m_results.insert(id, result);
    emit received(id);
    switchExpiryTimer();
}

void TarnolixAPI::switchExpiryTimer()
{
    if (m_results.isEmpty() && m_expiryTimerId != 0) {
        killTimer(m_expiryTimerId);
        m_expiryTimerId = 0;
    } else if (!m_results.isEmpty() && m_expiryTimerId == 0) {
        m_expiryTimerId = startTimer(kExpiryIntervalMs, Qt::CoarseTimer);
    }
}

void TarnolixAPI::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_expiryTimerId && m_expiryTimerId != 0) {
        const qint64 now = nowMs();
        for (auto it = m_results.begin(); it != m_results.end();) {
            if (now - it.value()->creationTime() > m_resultLifetimeMs) {
                it.value()->deleteLater();
                it = m_results.erase(it);
            } else {
                ++it;
            }
        }
        switchExpiryTimer();
    } else if (event->timerId() == m_resetTimerId && m_resetTimerId != 0) {
        killTimer(m_resetTimerId);
        m_resetTimerId = 0;
        replaceManager(false);
    } else {
        QObject::timerEvent(event);
    }
}

void TarnolixAPI::replaceManager(bool cancel)
{
    QNetworkAccessManager* old = m_manager;
    m_manager = makeNetworkManager(m_managerFactory, this);
    if (!old)
        return;
    QList<QNetworkReply*> running;
    for (auto it = m_replies.constBegin(); it != m_replies.constEnd(); ++it) {
        if (it.value() == old)
            running.append(it.key());
    }
    if (running.isEmpty()) {
        delete old;
        return;
    }
    m_retiredManagers.append(old);
    if (!cancel)
        return;
    for (QNetworkReply* reply : running) {
        if (reply->isFinished())
            continue;
        reply->setProperty(kCancelled, true);
        reply->abort();
    }
}

void TarnolixAPI::replyGone(QNetworkReply* reply)
{
    QNetworkAccessManager* manager = m_replies.take(reply);
    if (!manager || !m_retiredManagers.contains(manager))
        return;
    for (QNetworkAccessManager* other : qAsConst(m_replies)) {
        if (other == manager)
            return;
    }
    m_retiredManagers.removeOne(manager);
    manager->deleteLater();
}

void TarnolixAPI::cancelBookDownloads()
{
    if (m_transport)
        m_transport->bookTransportCancelAll();
}

void TarnolixAPI::reset()
{
    cancelBookDownloads();
    if (m_resetTimerId != 0) {
        killTimer(m_resetTimerId);
        m_resetTimerId = 0;
    }
    replaceManager(true);
    for (TarnolixAPIResult* result : qAsConst(m_results))
        result->deleteLater();
    m_results.clear();
    switchExpiryTimer();
}

int TarnolixAPI::recentApiRequestCount()
{
    return recentApiRequestCountAt(QDateTime::currentSecsSinceEpoch());
}

int TarnolixAPI::recentApiRequestCountAt(qint64 nowSeconds)
{
    QMutexLocker lock(&g_sendLogMutex);
    trimSendLog(nowSeconds);
    return int(g_sendLog.size());
}

void TarnolixAPI::noteApiRequestSentAt(qint64 nowSeconds)
{
    QMutexLocker lock(&g_sendLogMutex);
    g_sendLog.push_back(nowSeconds);
    // Trimmed here too: a program that sends but never counts must not
    // collect a send time per request for its whole run.
    trimSendLog(nowSeconds);
}

QByteArray TarnolixAPI::jsonArrayHash(const QJsonArray& array)
{
    return QCryptographicHash::hash(QJsonDocument(array).toJson(QJsonDocument::Compact), QCryptographicHash::Md5);
}

#include "app/BookDownloadTransport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QVariant>

#include <algorithm>

namespace {

const char kConnectionRecovery[] = "TAPI_connectionRecovery";
const char kCancelled[] = "TAPI_cancelled";

} // namespace

QNetworkAccessManager* makeNetworkManager(const NetworkManagerFactory& factory, QObject* owner)
{
    QNetworkAccessManager* manager = factory ? factory(owner) : nullptr;
    if (!manager)
        manager = new QNetworkAccessManager(owner);
    else if (manager->parent() != owner)
        manager->setParent(owner);
    return manager;
}

BookDownloadTransport::BookDownloadTransport(NetworkManagerFactory factory, int recoveryDelayMs, int stallTimeoutMs,
                                             QObject* parent)
    : QObject(parent)
    , m_factory(std::move(factory))
    , m_recoveryDelayMs(std::max(1, recoveryDelayMs))
    , m_stallTimeoutMs(std::max(1, stallTimeoutMs))
{
}

BookDownloadTransport::~BookDownloadTransport()
{
    bookTransportCancelAll();
}

int BookDownloadTransport::currentGenerationNumber() const
{
    return m_current ? m_current->number : 0;
}

QNetworkAccessManager* BookDownloadTransport::currentManager() const
{
    return m_current ? m_current->manager.data() : nullptr;
}

QNetworkReply* BookDownloadTransport::bookTransportStart(const QNetworkRequest& request)
{
    if (!m_current || !m_current->manager) {
        m_current = std::make_shared<Generation>();
        m_current->manager = makeNetworkManager(m_factory, this);
        m_current->number = ++m_generationCounter;
    }
    QNetworkReply* reply = m_current->manager->get(request);
    ++m_current->live;

    auto state = std::make_shared<State>();
    state->reply = reply;
    state->generation = m_current;
    m_requests.insert(reply, state);

    // The stall timer goes with the reply; every arriving byte restarts it.
    auto* stall = new QTimer(reply);
    stall->setSingleShot(true);
    stall->setInterval(m_stallTimeoutMs);
    const QPointer<QNetworkReply> guarded(reply);
    connect(stall, &QTimer::timeout, this, [guarded] {
        if (guarded && !guarded->isFinished()) {
            guarded->setProperty(kConnectionRecovery, true);
            guarded->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, stall, [stall, guarded] {
        if (guarded && guarded->bytesAvailable() > 0)
            stall->start();
    });
    connect(reply, &QNetworkReply::finished, stall, &QTimer::stop);
    stall->start();

    connect(reply, &QNetworkReply::metaDataChanged, this, [this, state] { bookTransportRespondedCheck(*state); });
    connect(reply, &QNetworkReply::readyRead, this, [this, state] { bookTransportRespondedCheck(*state); });
    connect(reply, &QNetworkReply::downloadProgress, this, [state](qint64 received, qint64) {
        if (received > 0)
            state->responded = true;
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { bookTransportRetire(reply); });
    const std::shared_ptr<Generation> generation = m_current;
    connect(reply, &QObject::destroyed, this,
            [this, reply, generation] { bookTransportReplyDestroyed(reply, generation); });
    return reply;
}

void BookDownloadTransport::bookTransportRespondedCheck(State& state)
{
    QNetworkReply* reply = state.reply;
    if (!reply || state.responded)
        return;
    state.responded = reply->bytesAvailable() > 0 ||
                      reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 1 ||
                      !reply->rawHeaderPairs().isEmpty();
}

void BookDownloadTransport::bookTransportRetire(QNetworkReply* reply)
{
    const std::shared_ptr<State> state = m_requests.take(reply);
    if (!state)
        return; // cancelled before it finished
    Generation& generation = *state->generation;
    // A broken shared connection: the request had to be sent again and no
    // answer came. Its siblings on that manager may hang the same way.
    if (reply->error() == QNetworkReply::ContentReSendError &&
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 0 && !generation.retired) {
        generation.retired = true;
        if (m_current == state->generation)
            m_current.reset();
        qInfo("Book transport generation=%d retired; checking silent peers in %d ms", generation.number,
              m_recoveryDelayMs);
        const std::shared_ptr<Generation> retired = state->generation;
        QTimer::singleShot(m_recoveryDelayMs, this, [this, retired] { bookTransportRecover(retired); });
        releaseIfDone(generation);
    }
}

void BookDownloadTransport::bookTransportRecover(const std::shared_ptr<Generation>& generation)
{
    const QList<std::shared_ptr<State>> states = m_requests.values();
    for (const std::shared_ptr<State>& state : states) {
        QNetworkReply* reply = state->reply;
        if (state->generation != generation || !reply || !m_requests.contains(reply) || reply->isFinished())
            continue;
        bookTransportRespondedCheck(*state);
        if (state->responded)
            continue;
        qInfo("Book transport generation=%d recovering silent request=%d", generation->number,
              reply->property("TAPI_id").toInt());
        reply->setProperty(kConnectionRecovery, true);
        reply->abort();
    }
}

void BookDownloadTransport::bookTransportReplyDestroyed(QNetworkReply* reply,
                                                        const std::shared_ptr<Generation>& generation)
{
    m_requests.remove(reply);
    --generation->live;
    releaseIfDone(*generation);
}

void BookDownloadTransport::releaseIfDone(Generation& generation)
{
    if (generation.retired && generation.live <= 0 && generation.manager) {
        generation.manager->deleteLater();
        generation.manager = nullptr;
    }
}

void BookDownloadTransport::bookTransportCancelAll()
{
    const QList<std::shared_ptr<State>> states = m_requests.values();
    m_requests.clear();
    const std::shared_ptr<Generation> former = std::move(m_current);
    m_current.reset();
    if (former)
        former->retired = true;
    for (const std::shared_ptr<State>& state : states) {
        state->generation->retired = true;
        if (QNetworkReply* reply = state->reply) {
            reply->setProperty(kCancelled, true);
            reply->abort();
        }
    }
    if (former)
        releaseIfDone(*former);
}

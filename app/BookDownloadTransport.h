#pragma once
// Book archive downloads on network managers of their own ("generations"),
// apart from the client's other requests. A download that receives nothing
// for the stall time-out is aborted; a connection that breaks under a shared
// manager retires that generation: later downloads start on a fresh one, and
// after the recovery delay the retired generation's downloads that never got
// an answer are aborted. Both aborts mark the reply "TAPI_connectionRecovery"
// (the consumer's time-out); a cancelled reply is marked "TAPI_cancelled"
// (the client drops it without a result).
//
// Lives and runs on its client's thread; nothing is locked.

#include "app/NetworkManagerFactory.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

class BookDownloadTransport : public QObject
{
    Q_OBJECT

public:
    struct Generation
    {
        QPointer<QNetworkAccessManager> manager;
        int live = 0; // downloads started on it whose replies still exist
        int number = 0;
        bool retired = false;
    };
    struct State
    {
        QPointer<QNetworkReply> reply;
        std::shared_ptr<Generation> generation;
        bool responded = false;
    };

    static constexpr int kStallTimeoutMs = 60000;

    // `recoveryDelayMs` and `stallTimeoutMs` are raised to at least 1.
    BookDownloadTransport(NetworkManagerFactory factory, int recoveryDelayMs, int stallTimeoutMs,
                          QObject* parent = nullptr);
    ~BookDownloadTransport() override;

    // Starts a GET of the prepared request on the current generation.
    QNetworkReply* bookTransportStart(const QNetworkRequest& request);
    // Aborts every download as cancelled and retires every generation.
    void bookTransportCancelAll();

    int recoveryDelay() const { return m_recoveryDelayMs; }
    int stallTimeout() const { return m_stallTimeoutMs; }
    // The generation new downloads start on; 0 and null while there is none.
    int currentGenerationNumber() const;
    QNetworkAccessManager* currentManager() const;
    int downloadsInFlight() const { return m_requests.size(); }

private:
    void bookTransportRespondedCheck(State& state);
    void bookTransportRetire(QNetworkReply* reply);
    void bookTransportRecover(const std::shared_ptr<Generation>& generation);
    void bookTransportReplyDestroyed(QNetworkReply* reply, const std::shared_ptr<Generation>& generation);
    static void releaseIfDone(Generation& generation);

    NetworkManagerFactory m_factory;
    int m_recoveryDelayMs;
    int m_stallTimeoutMs;
    int m_generationCounter = 0;
    std::shared_ptr<Generation> m_current;
    QHash<QNetworkReply*, std::shared_ptr<State>> m_requests;
};

#pragma once
// Waits for the connection to come back: a request whose reply failed for
// want of a connection is re-sent by its action after a pause, at most ten
// times per request key. One timer serves every waiting key; all actions
// pending when it fires run together, in key order.

#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QTimer;

class UpdateConnectionRetry : public QObject
{
    Q_OBJECT

public:
    static constexpr int kBaseDelayMs = 2000;
    static constexpr int kMaxAttempts = 10;

    struct Schedule
    {
        bool scheduled = false;
        int attempt = 0;
        int delayMs = 0;
    };

    explicit UpdateConnectionRetry(QObject* parent = nullptr, int baseDelayMs = kBaseDelayMs);

    // Records one more failure of `key` and, below the limit, keeps `action`
    // for the timer. A key already waiting keeps its first action.
    Schedule schedule(const QString& key, std::function<void()> action);
    // The key succeeded: its failures are forgotten.
    void forget(const QString& key);
    bool isPending() const { return !m_pending.empty(); }
    // Drops every pending action and failure count and stops the timer.
    void reset();

    int failureCount(const QString& key) const;

private:
    void runPending();
    int remainingMs() const;

    QTimer* m_timer;
    int m_baseDelayMs;
    std::map<QString, int> m_failures;
    std::map<QString, std::function<void()>> m_pending;
};

#include "updates/UpdateConnectionRetry.h"

#include <QTimer>

#include <algorithm>

UpdateConnectionRetry::UpdateConnectionRetry(QObject* parent, int baseDelayMs)
    : QObject(parent), m_timer(new QTimer(this)), m_baseDelayMs(baseDelayMs)
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &UpdateConnectionRetry::runPending);
}

int UpdateConnectionRetry::remainingMs() const
{
    return std::max(1, m_timer->isActive() ? m_timer->remainingTime() : 0);
}

UpdateConnectionRetry::Schedule UpdateConnectionRetry::schedule(const QString& key, std::function<void()> action)
{
    int& failures = m_failures[key];
    if (m_pending.count(key))
        return {true, failures + 1, remainingMs()};
    ++failures;
    if (failures >= kMaxAttempts)
        return {false, kMaxAttempts, 0};
    m_pending[key] = std::move(action);
    if (!m_timer->isActive() || m_timer->remainingTime() < m_baseDelayMs)
        m_timer->start(m_baseDelayMs);
    return {true, failures + 1, remainingMs()};
}

void UpdateConnectionRetry::forget(const QString& key)
{
    m_failures.erase(key);
}

void UpdateConnectionRetry::reset()
{
    m_timer->stop();
    m_pending.clear();
    m_failures.clear();
}

int UpdateConnectionRetry::failureCount(const QString& key) const
{
    const auto it = m_failures.find(key);
    return it == m_failures.end() ? 0 : it->second;
}

void UpdateConnectionRetry::runPending()
{
    auto pending = std::move(m_pending);
    m_pending.clear();
    for (auto& entry : pending)
        entry.second();
}

#pragma once
// An application for the index writers that a test sets by hand.

#include "search/index/IndexWriterHost.h"

#include <QMutex>
#include <QStringList>

#include <atomic>

namespace tarnolix::test {

class FakeIndexWriterHost : public IndexWriterHost
{
public:
    bool isAuthorized() const override { return authorized.load(); }
    bool updateCompleterExists() const override { return completer.load(); }
    bool bookTextKeysReady() const override { return keys.load(); }
    bool isDatabaseUpdating() const override { return updating.load(); }
    void postShowError(const QString& message) override
    {
        QMutexLocker lock(&m_mutex);
        m_errors << message;
    }

    QStringList errors() const
    {
        QMutexLocker lock(&m_mutex);
        return m_errors;
    }

    std::atomic<bool> authorized{true};
    std::atomic<bool> completer{false};
    std::atomic<bool> keys{true};
    std::atomic<bool> updating{false};

private:
    mutable QMutex m_mutex;
    QStringList m_errors;
};

} // namespace tarnolix::test

#pragma once
// Collects every Qt log message written while it lives (any thread, any
// level), with its level, and passes them on to the handler it replaced.
// Header-only, so any test executable can use it.

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <utility>

namespace tarnolix::test {

class MessageLog
{
public:
    MessageLog()
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&MessageLog::handle);
    }
    ~MessageLog()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // The texts of the messages of that level, in order.
    QStringList texts(QtMsgType type) const
    {
        QMutexLocker lock(&m_mutex);
        QStringList result;
        for (const auto& entry : m_entries) {
            if (entry.first == type)
                result.append(entry.second);
        }
        return result;
    }
    // Whether a message of that level contains `part`.
    bool contains(QtMsgType type, const QString& part) const
    {
        const QStringList all = texts(type);
        for (const QString& text : all) {
            if (text.contains(part))
                return true;
        }
        return false;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_entries.clear();
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        MessageLog* self = s_active;
        {
            QMutexLocker lock(&self->m_mutex);
            self->m_entries.append({type, text});
        }
        if (self->m_previous)
            self->m_previous(type, context, text);
    }

    static inline MessageLog* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QVector<std::pair<QtMsgType, QString>> m_entries;
};

} // namespace tarnolix::test

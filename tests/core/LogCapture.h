#pragma once
// Collects the Qt log messages written while it lives (on any thread).

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

class LogCapture
{
public:
    LogCapture()
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList warnings() const
    {
        QMutexLocker lock(&m_mutex);
        return m_warnings;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_warnings.clear();
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type == QtWarningMsg || type == QtCriticalMsg) {
            QMutexLocker lock(&s_active->m_mutex);
            s_active->m_warnings.append(message);
        }
    }

    static inline LogCapture* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_warnings;
};

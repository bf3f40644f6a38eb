#include "core/SharedHelpers.h"

#include "core/Exception.h"

ScopedElapsedLogger::ScopedElapsedLogger(const QByteArray& name, bool report)
    : m_name(name)
    , m_report(report)
{
    qDebug("%s", m_name.constData());
    m_timer.start();
}

ScopedElapsedLogger::ScopedElapsedLogger(const char* name, bool report)
    : ScopedElapsedLogger(QByteArray(name), report)
{
}

ScopedElapsedLogger::~ScopedElapsedLogger()
{
    if (m_report)
        qDebug("%s finished. %lld ms. elapsed", m_name.constData(), static_cast<long long>(m_timer.elapsed()));
}

void throwPreparedLibraryNotEnabled()
{
    throw Exception("Prepared library support is not enabled in this build");
}

#include "app/WindowsEventFilter.h"

#include <QByteArray>
#include <QtGlobal>

bool WindowsEventFilter::nativeEventFilter(const QByteArray& eventType, void* message, long* result)
{
    Q_UNUSED(message)
    Q_UNUSED(result)
    if (!m_logged) {
        m_logged = true;
        qDebug("WindowsEventFilter: %s events pass on; the desktop switches keyboard layouts itself",
               eventType.constData());
    }
    return false;
}

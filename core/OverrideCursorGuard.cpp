#include "core/OverrideCursorGuard.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

namespace {

// The cursor belongs to the GUI application and its thread; worker threads,
// console tools and tests without a GUI application must not touch it.
bool cursorAvailable()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

} // namespace

OverrideCursorGuard::OverrideCursorGuard(Qt::CursorShape shape)
{
    set(shape);
}

OverrideCursorGuard::OverrideCursorGuard(bool enable, Qt::CursorShape shape)
{
    if (enable)
        set(shape);
}

OverrideCursorGuard::~OverrideCursorGuard()
{
    restore();
}

bool OverrideCursorGuard::set(Qt::CursorShape shape)
{
    if (m_isSet || !cursorAvailable() || QGuiApplication::overrideCursor())
        return false;
    QGuiApplication::setOverrideCursor(QCursor(shape));
    m_isSet = true;
    return true;
}

bool OverrideCursorGuard::restore()
{
    if (!m_isSet)
        return false;
    m_isSet = false;
    if (cursorAvailable())
        QGuiApplication::restoreOverrideCursor();
    return true;
}

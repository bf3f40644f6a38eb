#include "core/QueuedCursorGuard.h"

#include "core/OverrideCursorGuard.h"

#include <QCoreApplication>

#include <utility>

namespace {

template <typename Call>
void onGuiThread(Call&& call)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::forward<Call>(call), Qt::QueuedConnection);
}

} // namespace

QueuedCursorGuard::QueuedCursorGuard(Qt::CursorShape shape)
    : m_guard(std::make_shared<std::unique_ptr<OverrideCursorGuard>>())
{
    onGuiThread([guard = m_guard, shape] { *guard = std::make_unique<OverrideCursorGuard>(shape); });
}

QueuedCursorGuard::~QueuedCursorGuard()
{
    onGuiThread([guard = m_guard] { guard->reset(); });
}

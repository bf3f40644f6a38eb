#pragma once
// The busy cursor of a worker's operation: the cursor belongs to the GUI
// thread, so a worker asks that thread to set it and to take it down again,
// each by a queued call; nothing here touches the cursor from the worker.
// The GUI thread sets it only when no override cursor is shown already (as
// OverrideCursorGuard does) and takes down only the one it set.

#include <Qt>

#include <memory>

class OverrideCursorGuard;

class QueuedCursorGuard
{
public:
    explicit QueuedCursorGuard(Qt::CursorShape shape);
    ~QueuedCursorGuard();

    QueuedCursorGuard(const QueuedCursorGuard&) = delete;
    QueuedCursorGuard& operator=(const QueuedCursorGuard&) = delete;

private:
    // Only the GUI thread's queued calls read or change the guard inside.
    std::shared_ptr<std::unique_ptr<OverrideCursorGuard>> m_guard;
};

#pragma once
// Scoped application override cursor (the wait or busy cursor while a long
// operation runs on the GUI thread). Never stacks: when any override cursor is
// already active the guard leaves it alone.

#include <Qt>

class OverrideCursorGuard
{
public:
    explicit OverrideCursorGuard(Qt::CursorShape shape);
    OverrideCursorGuard(bool enable, Qt::CursorShape shape);
    ~OverrideCursorGuard();

    OverrideCursorGuard(const OverrideCursorGuard&) = delete;
    OverrideCursorGuard& operator=(const OverrideCursorGuard&) = delete;

    // Sets the cursor when this guard has none and no other is active.
    bool set(Qt::CursorShape shape);
    // Takes down the cursor this guard set.
    bool restore();

private:
    bool m_isSet = false;
};

#include "app/WindowGeometry.h"

#include <QMargins>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace {

// Inside [min, max]; when the window is too large for both, its left or top
// edge stays visible.
int clampEdge(int value, int min, int max)
{
    if (value > max)
        return std::max(min, max);
    if (value < min)
        return min;
    return value;
}

} // namespace

void WindowGeometry::keepOnScreen(QWindow* window)
{
    if (!window || !window->isVisible() || !window->screen() || window->windowStates() != Qt::WindowNoState)
        return;
    const QRect area = window->screen()->availableGeometry();
    const QMargins frame = window->frameMargins();

    const int width = std::min(area.width() - frame.left() - frame.right(), window->width());
    const int height = std::min(area.height() - frame.top() - frame.bottom(), window->height());
    const int x = clampEdge(window->x(), area.left() + frame.left(), area.right() + 1 - frame.right() - width);
    const int y = clampEdge(window->y(), area.top() + frame.top(), area.bottom() + 1 - frame.bottom() - height);
    // One request: the window system may answer a resize later, and a move
    // made before that answer would restore the old size.
    window->setGeometry(x, y, width, height);
}

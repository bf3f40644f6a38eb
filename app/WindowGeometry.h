#pragma once
// Keeps a window wholly on its screen's available area, frame included.
// Not a QML type of the module: the interface variants that need it
// instantiate it themselves.

#include <QObject>

class QWindow;

class WindowGeometry : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Shrinks a window larger than the area, then moves it inside. Only a
    // visible window in the normal state with a screen is touched.
    Q_INVOKABLE void keepOnScreen(QWindow* window);
};

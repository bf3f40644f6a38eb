#pragma once
// The X server's view of another process's windows, for tests that start
// the program and look at what it shows: its mapped top-level windows (by
// the _NET_WM_PID that Qt sets), and asking one to close as a window
// manager's close button would.

#include <QList>
#include <QRect>
#include <QString>
#include <QtGlobal>

struct xcb_connection_t;

struct X11Window
{
    quint32 id = 0;
    QString title;
    QRect geometry;
};

class X11Display
{
public:
    // Connects to $DISPLAY.
    X11Display();
    ~X11Display();

    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool isOpen() const { return m_connection != nullptr; }

    // The mapped top-level windows of process `pid`.
    QList<X11Window> windowsOf(qint64 pid);

    // Sends WM_DELETE_WINDOW to the window.
    void requestClose(quint32 window);

private:
    quint32 atom(const char* name);

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
};

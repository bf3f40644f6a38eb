#pragma once
// The native event filter for keyboard-layout requests. Where the window
// system sends the application a request to switch the input language, the
// program switches the layout itself; on X11 and Wayland the desktop switches
// layouts on its own, so this filter passes every event on.

#include <QAbstractNativeEventFilter>

class WindowsEventFilter : public QAbstractNativeEventFilter
{
public:
    // Always false: nothing is taken out of the event stream.
    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;

private:
    bool m_logged = false;
};

#include "tests/app_process/X11Windows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

X11Display::X11Display()
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_connection = connection;
    m_root = screens.data->root;
}

X11Display::~X11Display()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

quint32 X11Display::atom(const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name), nullptr);
    const quint32 result = reply ? reply->atom : 0;
    std::free(reply);
    return result;
}

QList<X11Window> X11Display::windowsOf(qint64 pid)
{
    QList<X11Window> result;
    if (!m_connection)
        return result;
    const quint32 pidAtom = atom("_NET_WM_PID");
    const quint32 nameAtom = atom("_NET_WM_NAME");
    const quint32 utf8Atom = atom("UTF8_STRING");
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr);
    if (!tree)
        return result;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        const xcb_window_t window = children[i];
        xcb_get_property_reply_t* pidReply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        const bool ours = pidReply && xcb_get_property_value_length(pidReply) == 4
                          && *static_cast<const quint32*>(xcb_get_property_value(pidReply)) == quint32(pid);
        std::free(pidReply);
        if (!ours)
            continue;
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!viewable)
            continue;
        X11Window entry;
        entry.id = window;
        if (xcb_get_geometry_reply_t* geometry =
                xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr)) {
            entry.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
            std::free(geometry);
        }
        if (xcb_get_property_reply_t* name = xcb_get_property_reply(
                m_connection, xcb_get_property(m_connection, 0, window, nameAtom, utf8Atom, 0, 256), nullptr)) {
            entry.title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(name)),
                                            xcb_get_property_value_length(name));
            std::free(name);
        }
        result.append(entry);
    }
    std::free(tree);
    return result;
}

void X11Display::requestClose(quint32 window)
{
    if (!m_connection)
        return;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

// Qt's X11 backend writes a window's owner (WM_TRANSIENT_FOR) only as the window is shown. A
// window whose opener closes under it is handed to the opener's own opener afterwards, and
// the window manager must hear of that: a dialog left naming a window that is gone becomes a
// window of its own, with a taskbar entry, minimised without the window it blocks.

#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <QGuiApplication>
#include <QWindow>

#include "platform/gui/layer.h"

namespace gui::layer {

void TellWindowManagerOwner(QWindow* window, QWindow* owner) {
    // Other platforms may answer for X11 too (the offscreen one does) without a connection.
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !window || !window->handle()) return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    if (owner && owner->handle()) {
        const auto ownerId = static_cast<xcb_window_t>(owner->winId());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &ownerId);
    } else {
        xcb_delete_property(connection, id, XCB_ATOM_WM_TRANSIENT_FOR);
    }
    xcb_flush(connection);
}

}  // namespace gui::layer

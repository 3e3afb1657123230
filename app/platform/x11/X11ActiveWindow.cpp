#include "app/platform/x11/X11ActiveWindow.h"

#include "app/platform/x11/NativeCoordinates.h"

#include <algorithm>

namespace dustlyn {

namespace {

XcbPtr<xcb_get_property_reply_t> propertyReply(xcb_connection_t* connection,
                                               xcb_get_property_cookie_t cookie, xcb_atom_t type) {
    auto reply = xcbReply(xcb_get_property_reply, connection, cookie);
    if (!reply || reply->type != type || reply->format != 32 || reply->value_len == 0)
        return nullptr;
    return reply;
}

const std::uint32_t* values(const XcbPtr<xcb_get_property_reply_t>& reply) {
    return static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

} // namespace

X11ActiveWindow::X11ActiveWindow(std::shared_ptr<X11Connection> x11) : x11_(std::move(x11)) {
    x11_->internAtoms(
        {"_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN"});
    activeWindow_ = x11_->atom("_NET_ACTIVE_WINDOW");
    pid_ = x11_->atom("_NET_WM_PID");
    state_ = x11_->atom("_NET_WM_STATE");
    fullScreen_ = x11_->atom("_NET_WM_STATE_FULLSCREEN");
}

std::optional<ActiveWindowState> X11ActiveWindow::current() const {
    auto* connection = x11_->xcb();
    const auto active = propertyReply(
        connection,
        xcb_get_property(connection, 0, x11_->root(), activeWindow_, XCB_ATOM_WINDOW, 0, 1),
        XCB_ATOM_WINDOW);
    if (!active)
        return std::nullopt;
    const xcb_window_t window = values(active)[0];
    if (window == XCB_NONE)
        return std::nullopt;

    // Every question about the window at once: one wait instead of four.
    const auto pidCookie = xcb_get_property(connection, 0, window, pid_, XCB_ATOM_CARDINAL, 0, 1);
    const auto stateCookie = xcb_get_property(connection, 0, window, state_, XCB_ATOM_ATOM, 0, 64);
    const auto geometryCookie = xcb_get_geometry(connection, window);
    const auto originCookie = xcb_translate_coordinates(connection, window, x11_->root(), 0, 0);

    ActiveWindowState state;
    if (const auto pid = propertyReply(connection, pidCookie, XCB_ATOM_CARDINAL))
        state.pid = static_cast<pid_t>(values(pid)[0]);
    if (const auto states = propertyReply(connection, stateCookie, XCB_ATOM_ATOM)) {
        const auto* atoms = values(states);
        state.fullScreen =
            std::find(atoms, atoms + states->value_len, fullScreen_) != atoms + states->value_len;
    }
    const auto geometry = xcbReply(xcb_get_geometry_reply, connection, geometryCookie);
    const auto origin = xcbReply(xcb_translate_coordinates_reply, connection, originCookie);
    // A window that vanished between the two questions cannot be read.
    if (!geometry || !origin)
        return std::nullopt;
    const QRect native(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    state.bounds = NativeCoordinates::ofApplication().toLogical(native);
    return state;
}

} // namespace dustlyn

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
    listener_ =
        x11_->addListener([this](const xcb_generic_event_t& event) { return handle(event); });
    // The root's events are shared with Qt on this connection: ours are added to its own.
    auto* connection = x11_->xcb();
    const auto attributes = xcbReply(xcb_get_window_attributes_reply, connection,
                                     xcb_get_window_attributes(connection, x11_->root()));
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, x11_->root(), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

X11ActiveWindow::~X11ActiveWindow() {
    x11_->removeListener(listener_);
    follow(XCB_NONE);
}

bool X11ActiveWindow::handle(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (notify.window == x11_->root() && notify.atom == activeWindow_) {
            stale_ = true;
            return false; // Qt may want it too
        }
        if (notify.window != followed_)
            return false;
        stale_ = true;
        return true;
    }
    case XCB_CONFIGURE_NOTIFY:
        if (reinterpret_cast<const xcb_configure_notify_event_t&>(event).window != followed_)
            return false;
        stale_ = true;
        return true;
    case XCB_DESTROY_NOTIFY:
        if (reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window != followed_)
            return false;
        followed_ = XCB_NONE;
        stale_ = true;
        return true;
    default:
        return false;
    }
}

std::optional<ActiveWindowState> X11ActiveWindow::current() const {
    if (!stale_)
        return last_;
    stale_ = false;
    const xcb_window_t window = activeWindow();
    if (window != followed_)
        follow(window);
    last_ = window == XCB_NONE ? std::nullopt : read(window);
    return last_;
}

xcb_window_t X11ActiveWindow::activeWindow() const {
    auto* connection = x11_->xcb();
    const auto active = propertyReply(
        connection,
        xcb_get_property(connection, 0, x11_->root(), activeWindow_, XCB_ATOM_WINDOW, 0, 1),
        XCB_ATOM_WINDOW);
    return active ? values(active)[0] : XCB_NONE;
}

// The active window's property and size changes are asked for; this program's own windows
// keep the events Qt chose for them (and never make the notch quiet).
void X11ActiveWindow::follow(xcb_window_t window) const {
    auto* connection = x11_->xcb();
    if (followed_ != XCB_NONE && !ownWindow(followed_)) {
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(connection, followed_, XCB_CW_EVENT_MASK, &none);
    }
    followed_ = window;
    if (followed_ != XCB_NONE && !ownWindow(followed_)) {
        const std::uint32_t changes =
            XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, followed_, XCB_CW_EVENT_MASK, &changes);
    }
    xcb_flush(connection);
}

bool X11ActiveWindow::ownWindow(xcb_window_t window) const {
    const xcb_setup_t* setup = xcb_get_setup(x11_->xcb());
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

std::optional<ActiveWindowState> X11ActiveWindow::read(xcb_window_t window) const {
    auto* connection = x11_->xcb();
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

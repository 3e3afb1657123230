#include "app/platform/x11/X11PanelWindowSystem.h"

#include "app/platform/x11/NativeCoordinates.h"

#include <QVariant>

#include <xcb/shape.h>
#include <xcb/xcb_icccm.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace dustlyn {

namespace {

// _NET_WM_STATE and _NET_ACTIVE_WINDOW messages: what to do, and who asks. A pager (2)
// acts for the user, so the window manager's focus-stealing prevention lets it through.
constexpr std::uint32_t netWmStateAdd = 1;
constexpr std::uint32_t sourcePager = 2;
constexpr std::uint32_t allDesktops = 0xffffffff;

xcb_window_t windowOf(const QWindow& window) {
    return static_cast<xcb_window_t>(window.winId());
}

} // namespace

X11PanelWindowSystem::X11PanelWindowSystem(std::shared_ptr<X11Connection> x11)
    : x11_(std::move(x11)) {
    x11_->internAtoms({"_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_STATE",
                       "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                       "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_DESKTOP", "_NET_ACTIVE_WINDOW",
                       "_NET_SUPPORTING_WM_CHECK"});
    hasShape_ = x11_->majorOpcode(xcb_shape_id).has_value();
    if (!hasShape_)
        std::fprintf(stderr, "dustlyn: the X server has no SHAPE extension; the notch panel "
                             "will catch clicks over its whole area\n");
    listener_ =
        x11_->addListener([this](const xcb_generic_event_t& event) { return handle(event); });

    compositorSelection_ = x11_->atom("_NET_WM_CM_S" + std::to_string(x11_->screenNumber()));
    auto* connection = x11_->xcb();
    const auto owner = xcbReply(xcb_get_selection_owner_reply, connection,
                                xcb_get_selection_owner(connection, compositorSelection_));
    compositing_ = owner && owner->owner != XCB_NONE;
    xfixesFirstEvent_ = x11_->firstEvent(xcb_xfixes_id);
    if (!xfixesFirstEvent_)
        return; // the state read above stays; changes go unnoticed
    helper_ = x11_->createHelperWindow();
    xcb_xfixes_select_selection_input(x11_->xcb(), helper_, compositorSelection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(connection);
}

X11PanelWindowSystem::~X11PanelWindowSystem() {
    x11_->removeListener(listener_);
    if (helper_ != XCB_NONE) {
        xcb_destroy_window(x11_->xcb(), helper_);
        xcb_flush(x11_->xcb());
    }
}

// Qt's xcb plugin value for _NET_WM_WINDOW_TYPE_DOCK in its window-type property.
constexpr int xcbDockType = 0x4;

void X11PanelWindowSystem::preparePanel(QWindow& window) {
    window.setFlags(window.flags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                    Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    // Qt's own name for "map without activating": it then leaves _NET_WM_USER_TIME at 0.
    window.setProperty("_q_showWithoutActivating", QVariant(true));
    // Qt writes the window type again whenever the window's flags change (the panel flips
    // its focus flag on every open by key); a type named here comes first each time.
    window.setProperty("_q_xcb_wm_window_type", QVariant(xcbDockType));
    const xcb_window_t id = windowOf(window); // creates the native window if need be
    auto* connection = x11_->xcb();
    const xcb_atom_t dock = x11_->atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, x11_->atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, x11_->atom("_NET_WM_DESKTOP"),
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    addStates(window,
              {x11_->atom("_NET_WM_STATE_ABOVE"), x11_->atom("_NET_WM_STATE_STICKY"),
               x11_->atom("_NET_WM_STATE_SKIP_TASKBAR"), x11_->atom("_NET_WM_STATE_SKIP_PAGER")});
    setAcceptsFocus(id, false);
    xcb_flush(connection);
}

// Before the window is mapped its _NET_WM_STATE is ours to write (Qt adds its own states to
// what it finds there); afterwards only the window manager changes it, on request.
void X11PanelWindowSystem::addStates(QWindow& window, const std::vector<xcb_atom_t>& states) {
    auto* connection = x11_->xcb();
    const xcb_window_t id = windowOf(window);
    const xcb_atom_t property = x11_->atom("_NET_WM_STATE");
    if (window.isVisible()) {
        for (const xcb_atom_t state : states) {
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = id;
            message.type = property;
            message.data.data32[0] = netWmStateAdd;
            message.data.data32[1] = state;
            message.data.data32[3] = sourcePager;
            xcb_send_event(connection, 0, x11_->root(),
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&message));
        }
        return;
    }
    const auto reply =
        xcbReply(xcb_get_property_reply, connection,
                 xcb_get_property(connection, 0, id, property, XCB_ATOM_ATOM, 0, 64));
    std::vector<xcb_atom_t> atoms;
    if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto* present = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        atoms.assign(present, present + reply->value_len);
    }
    for (const xcb_atom_t state : states) {
        if (std::find(atoms.begin(), atoms.end(), state) == atoms.end())
            atoms.push_back(state);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, property, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(atoms.size()), atoms.data());
}

void X11PanelWindowSystem::setAcceptsFocus(xcb_window_t window, bool accepts) {
    auto* connection = x11_->xcb();
    xcb_icccm_wm_hints_t hints{};
    if (!xcb_icccm_get_wm_hints_reply(connection, xcb_icccm_get_wm_hints(connection, window),
                                      &hints, nullptr))
        hints = {};
    xcb_icccm_wm_hints_set_input(&hints, accepts ? 1 : 0);
    xcb_icccm_set_wm_hints(connection, window, &hints);
}

void X11PanelWindowSystem::setInputShape(QWindow& window, const QRegion& region) {
    setShape(window, XCB_SHAPE_SK_INPUT, region);
}

void X11PanelWindowSystem::setBoundingShape(QWindow& window, const QRegion& region) {
    std::erase_if(bounding_,
                  [&](const Bounding& entry) { return !entry.window || entry.window == &window; });
    bounding_.push_back({&window, region});
    applyBoundingShape(window, region);
}

// A compositing manager blends the window's transparent pixels with what lies below; without
// one they would show black, so the window is cut to the region instead.
void X11PanelWindowSystem::applyBoundingShape(QWindow& window, const QRegion& region) {
    if (!hasShape_)
        return;
    if (compositing_) {
        xcb_shape_mask(x11_->xcb(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, windowOf(window), 0, 0,
                       XCB_NONE);
        xcb_flush(x11_->xcb());
        return;
    }
    setShape(window, XCB_SHAPE_SK_BOUNDING, region);
}

void X11PanelWindowSystem::setShape(QWindow& window, std::uint8_t kind, const QRegion& region) {
    if (!hasShape_)
        return;
    std::vector<xcb_rectangle_t> rectangles;
    for (const QRect& logical : region) {
        const QRect rect = NativeCoordinates::toNativeLocal(logical, window.devicePixelRatio());
        rectangles.push_back(
            {static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
             static_cast<std::uint16_t>(rect.width()), static_cast<std::uint16_t>(rect.height())});
    }
    xcb_shape_rectangles(x11_->xcb(), XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED,
                         windowOf(window), 0, 0, static_cast<std::uint32_t>(rectangles.size()),
                         rectangles.data());
    xcb_flush(x11_->xcb());
}

void X11PanelWindowSystem::activate(QWindow& window) {
    const xcb_window_t id = windowOf(window);
    const xcb_window_t active = activeWindow();
    if (active != id)
        activeBefore_ = active;
    setAcceptsFocus(id, true);
    requestActivation(id);
    xcb_flush(x11_->xcb());
}

void X11PanelWindowSystem::deactivate(QWindow& window) {
    const xcb_window_t id = windowOf(window);
    auto* connection = x11_->xcb();
    setAcceptsFocus(id, false);
    const auto focus =
        xcbReply(xcb_get_input_focus_reply, connection, xcb_get_input_focus(connection));
    // The activation asked for when the panel opened may not have reached the window manager
    // yet (two quick toggles on a busy desktop): the earlier window is asked for again, after
    // it, or the window manager would hand the keyboard to the closed panel.
    const bool pending = activeBefore_ != XCB_NONE && activeWindow() == activeBefore_;
    if ((focus && focus->focus == id) || pending) {
        // The window that had the keyboard may be gone meanwhile; then the keyboard follows
        // the pointer rather than staying with a panel that no longer listens.
        if (activeBefore_ != XCB_NONE && exists(activeBefore_))
            requestActivation(activeBefore_);
        else
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT,
                                XCB_INPUT_FOCUS_POINTER_ROOT, XCB_CURRENT_TIME);
    }
    activeBefore_ = XCB_NONE;
    xcb_flush(connection);
}

bool X11PanelWindowSystem::exists(xcb_window_t window) const {
    auto* connection = x11_->xcb();
    return xcbReply(xcb_get_window_attributes_reply, connection,
                    xcb_get_window_attributes(connection, window)) != nullptr;
}

void X11PanelWindowSystem::requestActivation(xcb_window_t window) {
    auto* connection = x11_->xcb();
    if (!windowManagerActivates()) {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        return;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = x11_->atom("_NET_ACTIVE_WINDOW");
    message.data.data32[0] = sourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, x11_->root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

xcb_window_t X11PanelWindowSystem::activeWindow() {
    auto* connection = x11_->xcb();
    const auto reply =
        xcbReply(xcb_get_property_reply, connection,
                 xcb_get_property(connection, 0, x11_->root(), x11_->atom("_NET_ACTIVE_WINDOW"),
                                  XCB_ATOM_WINDOW, 0, 1));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->value_len == 0)
        return XCB_NONE;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

// Where no window manager runs, nobody answers _NET_ACTIVE_WINDOW: the focus is set directly.
bool X11PanelWindowSystem::windowManagerActivates() {
    auto* connection = x11_->xcb();
    const auto reply =
        xcbReply(xcb_get_property_reply, connection,
                 xcb_get_property(connection, 0, x11_->root(),
                                  x11_->atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1));
    return reply && reply->type == XCB_ATOM_WINDOW && reply->value_len == 1;
}

bool X11PanelWindowSystem::handle(const xcb_generic_event_t& event) {
    if (!xfixesFirstEvent_ ||
        (event.response_type & 0x7f) != *xfixesFirstEvent_ + XCB_XFIXES_SELECTION_NOTIFY)
        return false;
    const auto& notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
    if (notify.window != helper_ || notify.selection != compositorSelection_)
        return false;
    compositingOwnerChanged(
        notify.subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER ? notify.owner : XCB_NONE);
    return true;
}

void X11PanelWindowSystem::compositingOwnerChanged(xcb_window_t owner) {
    const bool compositing = owner != XCB_NONE;
    if (compositing == compositing_)
        return;
    compositing_ = compositing;
    std::erase_if(bounding_, [](const Bounding& entry) { return !entry.window; });
    for (const Bounding& entry : bounding_)
        applyBoundingShape(*entry.window, entry.region);
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            if (onCompositingChanged)
                onCompositingChanged();
        },
        Qt::QueuedConnection);
}

} // namespace dustlyn

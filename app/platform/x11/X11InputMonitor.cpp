#include "app/platform/x11/X11InputMonitor.h"

#include "app/platform/x11/NativeCoordinates.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xinput.h>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace dustlyn {

namespace {

// XIAllMasterDevices: one event per action, whichever physical device made it.
constexpr xcb_input_device_id_t allMasterDevices = 1;

struct RawEventMask {
    xcb_input_event_mask_t head;
    std::uint32_t bits;
};

void selectRawEvents(xcb_connection_t* connection, xcb_window_t root, std::uint32_t bits,
                     bool checked, bool& ok) {
    RawEventMask mask{{allMasterDevices, 1}, bits};
    if (!checked) {
        xcb_input_xi_select_events(connection, root, 1, &mask.head);
        return;
    }
    XcbPtr<xcb_generic_error_t> error(xcb_request_check(
        connection, xcb_input_xi_select_events_checked(connection, root, 1, &mask.head)));
    ok = !error;
    if (error)
        std::fprintf(stderr,
                     "dustlyn: the X server refused to report pointer and key activity "
                     "(XInput 2 error %d); the notch will not follow the pointer\n",
                     error->error_code);
}

} // namespace

X11InputMonitor::X11InputMonitor(std::shared_ptr<X11Connection> x11,
                                 std::function<Clock::time_point()> now)
    : x11_(std::move(x11)), now_(std::move(now)) {
    xinputOpcode_ = x11_->majorOpcode(xcb_input_id);
    listener_ =
        x11_->addListener([this](const xcb_generic_event_t& event) { return handle(event); });
    if (!xinputOpcode_) {
        std::fprintf(stderr, "dustlyn: the X server has no XInput extension; the notch will "
                             "not follow the pointer\n");
        return;
    }
    refreshButtonMapping();
    selectRawEvents(
        x11_->xcb(), x11_->root(),
        XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
            XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE | XCB_INPUT_XI_EVENT_MASK_RAW_MOTION,
        true, following_);
}

X11InputMonitor::~X11InputMonitor() {
    x11_->removeListener(listener_);
    if (following_) {
        bool unused = true;
        selectRawEvents(x11_->xcb(), x11_->root(), 0, false, unused);
        xcb_flush(x11_->xcb());
    }
}

QPointF X11InputMonitor::pointerPosition() const {
    if (dispatchPosition_)
        return *dispatchPosition_;
    const auto state = queryPointer();
    return state ? state->position : QPointF();
}

double X11InputMonitor::secondsSinceLastKeyPress() const {
    if (!lastKeyPress_)
        return std::numeric_limits<double>::infinity();
    return std::chrono::duration<double>(now_() - *lastKeyPress_).count();
}

bool X11InputMonitor::handle(const xcb_generic_event_t& event) {
    const auto type = event.response_type & 0x7f;
    if (type == XCB_GE_GENERIC) {
        const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
        if (!xinputOpcode_ || generic.extension != *xinputOpcode_)
            return false;
        const auto eventType = generic.event_type;
        if (eventType < XCB_INPUT_RAW_KEY_PRESS || eventType > XCB_INPUT_RAW_MOTION)
            return false;
        const auto& raw = reinterpret_cast<const xcb_input_raw_button_press_event_t&>(event);
        handleRaw(eventType, raw.detail);
        return true; // ours alone: Qt selects no raw events
    }
    switch (type) {
    case XCB_MAPPING_NOTIFY:
        if (reinterpret_cast<const xcb_mapping_notify_event_t&>(event).request ==
            XCB_MAPPING_POINTER)
            refreshButtonMapping();
        break;
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_DESTROY_NOTIFY:
        // One of Qt's windows came, went or was framed by the window manager.
        ownWindowsKnown_ = false;
        break;
    default:
        break;
    }
    return false;
}

void X11InputMonitor::handleRaw(std::uint16_t type, std::uint32_t detail) {
    switch (type) {
    case XCB_INPUT_RAW_KEY_PRESS:
        lastKeyPress_ = now_();
        break;
    case XCB_INPUT_RAW_MOTION:
        queue(Pending::motion);
        break;
    case XCB_INPUT_RAW_BUTTON_PRESS:
        if (logicalButton(detail) == 1)
            queue(Pending::leftPress);
        break;
    case XCB_INPUT_RAW_BUTTON_RELEASE:
        if (logicalButton(detail) == 1)
            queue(Pending::leftRelease);
        break;
    default:
        break;
    }
}

void X11InputMonitor::queue(Pending pending) {
    // Motion in between two other events is told once: only where the pointer is matters.
    if (pending != Pending::motion || pending_.empty() || pending_.back() != Pending::motion)
        pending_.push_back(pending);
    if (flushQueued_)
        return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(
        &context_, [this] { flush(); }, Qt::QueuedConnection);
}

void X11InputMonitor::flush() {
    flushQueued_ = false;
    const auto pending = std::exchange(pending_, {});
    const auto state = queryPointer();
    if (!state)
        return;
    const bool overOwn = overOwnWindow(state->rootChild);
    dispatchPosition_ = state->position;
    for (const Pending event : pending) {
        switch (event) {
        case Pending::leftPress:
            // The window that takes the press keeps every event until the release.
            leftDown_ = true;
            pressGlobal_ = !overOwn;
            emitEvent(PointerEventType::leftDown, pressGlobal_);
            break;
        case Pending::leftRelease:
            emitEvent(PointerEventType::leftUp, leftDown_ ? pressGlobal_ : !overOwn);
            leftDown_ = false;
            break;
        case Pending::motion:
            if (leftDown_)
                emitEvent(PointerEventType::leftDragged, pressGlobal_);
            else
                emitEvent(PointerEventType::moved, !overOwn);
            break;
        }
    }
    dispatchPosition_.reset();
}

void X11InputMonitor::emitEvent(PointerEventType type, bool global) {
    if (onPointerEvent)
        onPointerEvent(type, global);
}

std::optional<X11InputMonitor::PointerState> X11InputMonitor::queryPointer() const {
    auto* connection = x11_->xcb();
    const auto reply =
        xcbReply(xcb_query_pointer_reply, connection, xcb_query_pointer(connection, x11_->root()));
    if (!reply || !reply->same_screen)
        return std::nullopt;
    const QPoint native(reply->root_x, reply->root_y);
    return PointerState{NativeCoordinates::ofApplication().toLogical(native), reply->child};
}

bool X11InputMonitor::overOwnWindow(xcb_window_t rootChild) {
    if (rootChild == XCB_NONE)
        return false;
    if (!ownWindowsKnown_)
        refreshOwnWindows();
    return std::find(ownRootChildren_.begin(), ownRootChildren_.end(), rootChild) !=
           ownRootChildren_.end();
}

// The root's child that holds each of this program's visible windows: the window itself, or
// the frame the window manager put around it. A window embedded into another program's
// window (a tray icon) is left out, since the pointer over that program is not over ours.
void X11InputMonitor::refreshOwnWindows() {
    auto* connection = x11_->xcb();
    const xcb_atom_t wmState = x11_->atom("WM_STATE");
    ownRootChildren_.clear();
    for (const QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible() || !window->handle())
            continue;
        const auto id = static_cast<xcb_window_t>(window->winId());
        xcb_window_t current = id;
        xcb_window_t rootChild = XCB_NONE;
        for (int depth = 0; depth < 8 && rootChild == XCB_NONE; ++depth) {
            const auto tree =
                xcbReply(xcb_query_tree_reply, connection, xcb_query_tree(connection, current));
            if (!tree)
                break;
            if (tree->parent == x11_->root())
                rootChild = current;
            current = tree->parent;
        }
        if (rootChild == XCB_NONE)
            continue;
        if (rootChild != id) {
            const auto managed =
                xcbReply(xcb_get_property_reply, connection,
                         xcb_get_property(connection, 0, id, wmState, wmState, 0, 1));
            if (!managed || managed->type != wmState)
                continue;
        }
        ownRootChildren_.push_back(rootChild);
    }
    ownWindowsKnown_ = true;
}

void X11InputMonitor::refreshButtonMapping() {
    auto* connection = x11_->xcb();
    const auto reply =
        xcbReply(xcb_get_pointer_mapping_reply, connection, xcb_get_pointer_mapping(connection));
    buttonMap_.clear();
    if (!reply)
        return;
    const auto* map = xcb_get_pointer_mapping_map(reply.get());
    buttonMap_.assign(map, map + xcb_get_pointer_mapping_map_length(reply.get()));
}

// Raw events name the button the device pressed; a left-handed mapping makes another one the
// primary button.
std::uint32_t X11InputMonitor::logicalButton(std::uint32_t physical) const {
    if (physical == 0 || physical > buttonMap_.size())
        return physical;
    return buttonMap_[physical - 1];
}

} // namespace dustlyn

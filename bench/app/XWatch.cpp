#include "bench/app/XWatch.h"

#include <xcb/damage.h>
#include <xcb/shape.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <poll.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace dustlyn::bench {

namespace {

struct Free {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <class T> using Owned = std::unique_ptr<T, Free>;

template <class Reply, class Cookie>
Owned<Reply> reply(Reply* (*receive)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                   xcb_connection_t* connection, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    Owned<Reply> result(receive(connection, cookie, &error));
    std::free(error);
    return result;
}

} // namespace

XWatch::XWatch() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_))
        throw std::runtime_error("cannot reach the X server (DISPLAY)");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    root_ = screen->root;
    width_ = screen->width_in_pixels;
    height_ = screen->height_in_pixels;
    const auto* shape = xcb_get_extension_data(connection_, &xcb_shape_id);
    const auto* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
    const auto* xinput = xcb_get_extension_data(connection_, &xcb_input_id);
    const auto* xtest = xcb_get_extension_data(connection_, &xcb_test_id);
    if (!shape || !shape->present || !damage || !damage->present || !xinput || !xinput->present ||
        !xtest || !xtest->present)
        throw std::runtime_error("the X server lacks SHAPE, DAMAGE, XInput or XTEST");
    shapeEvent_ = shape->first_event;
    damageEvent_ = damage->first_event;
    xinputOpcode_ = xinput->major_opcode;
    reply(xcb_damage_query_version_reply, connection_, xcb_damage_query_version(connection_, 1, 1));
    reply(xcb_input_xi_query_version_reply, connection_,
          xcb_input_xi_query_version(connection_, 2, 2));
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_MOTION};
    xcb_input_xi_select_events(connection_, root_, 1, &mask.head);
    const std::uint32_t properties = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &properties);
    clientList_ = atom("_NET_CLIENT_LIST");
    pidAtom_ = atom("_NET_WM_PID");
    sync();
}

XWatch::~XWatch() {
    for (auto* event : pending_)
        std::free(event);
    pending_.clear();
    xcb_disconnect(connection_);
}

xcb_atom_t XWatch::atom(const std::string& name) {
    const auto answer = reply(
        xcb_intern_atom_reply, connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()));
    return answer ? answer->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void XWatch::sync() {
    reply(xcb_get_input_focus_reply, connection_, xcb_get_input_focus(connection_));
    // Everything the server sent before its answer is read now; keep it in order.
    while (auto* event = xcb_poll_for_queued_event(connection_))
        pending_.push_back(event);
}

std::optional<xcb_window_t> XWatch::windowOf(pid_t pid) {
    const auto list =
        reply(xcb_get_property_reply, connection_,
              xcb_get_property(connection_, 0, root_, clientList_, XCB_ATOM_WINDOW, 0, 4096));
    if (!list || list->format != 32)
        return std::nullopt;
    const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
    for (int i = 0; i < xcb_get_property_value_length(list.get()) / 4; ++i) {
        const auto owner =
            reply(xcb_get_property_reply, connection_,
                  xcb_get_property(connection_, 0, windows[i], pidAtom_, XCB_ATOM_CARDINAL, 0, 1));
        if (owner && owner->format == 32 && xcb_get_property_value_length(owner.get()) == 4 &&
            *static_cast<const std::uint32_t*>(xcb_get_property_value(owner.get())) ==
                static_cast<std::uint32_t>(pid))
            return windows[i];
    }
    return std::nullopt;
}

void XWatch::follow(xcb_window_t window) {
    xcb_shape_select_input(connection_, window, 1);
    xcb_damage_create(connection_, xcb_generate_id(connection_), window,
                      XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(connection_);
}

void XWatch::followNewWindows() {
    const std::uint32_t events =
        XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &events);
    sync();
}

std::vector<XWatch::Rect> XWatch::inputShape(xcb_window_t window) {
    const auto answer = reply(xcb_shape_get_rectangles_reply, connection_,
                              xcb_shape_get_rectangles(connection_, window, XCB_SHAPE_SK_INPUT));
    std::vector<Rect> rects;
    if (!answer)
        return rects;
    const xcb_rectangle_t* r = xcb_shape_get_rectangles_rectangles(answer.get());
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(answer.get()); ++i)
        rects.push_back({r[i].x, r[i].y, r[i].width, r[i].height});
    return rects;
}

XWatch::Rect XWatch::drawnExtents(xcb_window_t window) {
    const auto answer = reply(xcb_shape_query_extents_reply, connection_,
                              xcb_shape_query_extents(connection_, window));
    if (!answer)
        return {};
    return {answer->bounding_shape_extents_x, answer->bounding_shape_extents_y,
            answer->bounding_shape_extents_width, answer->bounding_shape_extents_height};
}

std::uint32_t XWatch::restPointerAt(int x, int y) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                        static_cast<std::int16_t>(x - 1), static_cast<std::int16_t>(y), 0);
    movePointerBy(1, 0);
    return lastMotion_;
}

void XWatch::movePointerBy(int dx, int dy) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 1, XCB_CURRENT_TIME, root_,
                        static_cast<std::int16_t>(dx), static_cast<std::int16_t>(dy), 0);
    sync();
    // The motion's raw event came before the answer to the round trip.
    for (const auto* event : pending_)
        if (const auto time = motionTime(*event))
            lastMotion_ = *time;
}

std::optional<std::uint32_t> XWatch::motionTime(const xcb_generic_event_t& event) const {
    if ((event.response_type & 0x7f) != XCB_GE_GENERIC)
        return std::nullopt;
    const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
    if (generic.extension != xinputOpcode_ || generic.event_type != XCB_INPUT_RAW_MOTION)
        return std::nullopt;
    return reinterpret_cast<const xcb_input_raw_motion_event_t&>(event).time;
}

XWatch::Event XWatch::classify(const xcb_generic_event_t& event) {
    Event result;
    result.received = Clock::now();
    const auto type = event.response_type & 0x7f;
    if (const auto time = motionTime(event)) {
        result.kind = Event::motion;
        result.serverTime = *time;
    } else if (type == shapeEvent_ + XCB_SHAPE_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_shape_notify_event_t&>(event);
        result.kind =
            notify.shape_kind == XCB_SHAPE_SK_INPUT ? Event::inputShape : Event::boundingShape;
        result.serverTime = notify.server_time;
        result.window = notify.affected_window;
    } else if (type == damageEvent_ + XCB_DAMAGE_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_damage_notify_event_t&>(event);
        result.kind = Event::frame;
        result.serverTime = notify.timestamp;
        result.window = notify.drawable;
    } else if (type == XCB_CREATE_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_create_notify_event_t&>(event);
        if (notify.parent == root_) {
            follow(notify.window);
            result.kind = Event::created;
            result.window = notify.window;
        }
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (notify.window == root_ && notify.atom == clientList_)
            result.kind = Event::clients;
        result.serverTime = notify.time;
    }
    return result;
}

std::optional<XWatch::Event> XWatch::next(std::chrono::milliseconds timeout,
                                          const std::function<void()>& between) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        xcb_generic_event_t* event = nullptr;
        if (!pending_.empty()) {
            event = pending_.front();
            pending_.pop_front();
        } else {
            event = xcb_poll_for_event(connection_);
        }
        if (event) {
            const Event result = classify(*event);
            std::free(event);
            return result;
        }
        if (xcb_connection_has_error(connection_))
            throw std::runtime_error("lost the X server");
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(std::min<long>(left.count(), between ? 20 : 1000)));
        if (between)
            between();
    }
}

std::optional<XWatch::Event> XWatch::waitFor(const std::function<bool(const Event&)>& done,
                                             std::chrono::milliseconds timeout,
                                             const std::function<void()>& between) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const auto event = next(left, between);
        if (!event)
            return std::nullopt;
        if (done(*event))
            return event;
    }
    return std::nullopt;
}

} // namespace dustlyn::bench

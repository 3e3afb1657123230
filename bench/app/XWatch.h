#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dustlyn::bench {

// The benchmark's own connection to the X server: it finds a program's window, sees its
// input shape change and its frames arrive (XDamage), and moves the pointer as a device
// does (XTest), with the server's timestamps of both ends.
class XWatch {
public:
    using Clock = std::chrono::steady_clock;

    // What arrived, stamped by the server (milliseconds) and by this process on receipt.
    struct Event {
        enum Kind { motion, inputShape, boundingShape, frame, clients, created, other };
        Kind kind = other;
        std::uint32_t serverTime = 0;
        Clock::time_point received;
        xcb_window_t window = XCB_NONE;
    };

    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Rect&) const = default;
    };

    XWatch(); // throws std::runtime_error without a display or the extensions it needs
    ~XWatch();
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;

    int screenWidth() const { return width_; }
    int screenHeight() const { return height_; }

    // The managed window of process `pid`, if the window manager lists one.
    std::optional<xcb_window_t> windowOf(pid_t pid);
    // Reports that window's shape changes and frames from now on.
    void follow(xcb_window_t window);
    // Follows every window made from now on, from the moment it is made (before its first
    // frame), so a program's first frame is seen whoever's window it is.
    void followNewWindows();
    // The window's input region, as one rectangle per band; empty when nothing takes input.
    std::vector<Rect> inputShape(xcb_window_t window);
    // The extents of what is drawn where no compositing manager blends: the bounding shape.
    Rect drawnExtents(xcb_window_t window);

    // Moves the pointer to (x, y) as a mouse does: a jump next to it, then a one-pixel
    // motion of the device. Answers the server time of that last motion.
    std::uint32_t restPointerAt(int x, int y);
    // A relative motion of the device, as a mouse makes it.
    void movePointerBy(int dx, int dy);

    // The next event, waiting at most `timeout`; `between` runs at least every 20 ms while
    // waiting (for another event loop, say).
    std::optional<Event> next(std::chrono::milliseconds timeout,
                              const std::function<void()>& between = {});
    // Waits until `done` holds for an event or `timeout` passes.
    std::optional<Event> waitFor(const std::function<bool(const Event&)>& done,
                                 std::chrono::milliseconds timeout,
                                 const std::function<void()>& between = {});
    // Round trip: every request so far has been handled, and its events queued.
    void sync();

private:
    Event classify(const xcb_generic_event_t& event);
    std::optional<std::uint32_t> motionTime(const xcb_generic_event_t& event) const;
    xcb_atom_t atom(const std::string& name);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    int width_ = 0;
    int height_ = 0;
    std::uint8_t shapeEvent_ = 0;
    std::uint8_t damageEvent_ = 0;
    std::uint8_t xinputOpcode_ = 0;
    xcb_atom_t clientList_ = XCB_NONE;
    xcb_atom_t pidAtom_ = XCB_NONE;
    std::deque<xcb_generic_event_t*> pending_; // read during a round trip, not yet handed out
    std::uint32_t lastMotion_ = 0;
};

} // namespace dustlyn::bench

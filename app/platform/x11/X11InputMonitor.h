#pragma once

#include "app/platform/InputMonitor.h"
#include "app/platform/x11/X11Connection.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace dustlyn {

// Pointer and key activity from XInput 2 raw events on the root window: the server sends
// them for every device event whichever window receives it, so nothing is polled. A raw
// event carries no position, so the pointer is asked for once per batch of events (motion
// arrives in bursts; the batch is handed on after Qt has read it whole).
class X11InputMonitor final : public InputMonitor {
public:
    using Clock = std::chrono::steady_clock;

    explicit X11InputMonitor(std::shared_ptr<X11Connection> x11,
                             std::function<Clock::time_point()> now = &Clock::now);
    ~X11InputMonitor() override;

    QPointF pointerPosition() const override;
    double secondsSinceLastKeyPress() const override;

private:
    enum class Pending { motion, leftPress, leftRelease };
    struct PointerState {
        QPointF position;
        xcb_window_t rootChild = XCB_NONE;
    };

    bool handle(const xcb_generic_event_t& event);
    void handleRaw(std::uint16_t type, std::uint32_t detail);
    void queue(Pending pending);
    void flush();
    void emitEvent(PointerEventType type, bool global);
    std::optional<PointerState> queryPointer() const;
    bool overOwnWindow(xcb_window_t rootChild);
    void refreshOwnWindows();
    void refreshButtonMapping();
    std::uint32_t logicalButton(std::uint32_t physical) const;

    std::shared_ptr<X11Connection> x11_;
    std::function<Clock::time_point()> now_;
    QObject context_; // queued flushes die with the monitor
    int listener_ = 0;
    std::optional<std::uint8_t> xinputOpcode_;
    bool following_ = false;

    std::vector<Pending> pending_;
    bool flushQueued_ = false;
    bool leftDown_ = false;
    bool pressGlobal_ = true;
    std::optional<QPointF> dispatchPosition_; // the position read for the batch being handed on
    std::vector<std::uint8_t> buttonMap_;
    std::vector<xcb_window_t> ownRootChildren_;
    bool ownWindowsKnown_ = false;
    std::optional<Clock::time_point> lastKeyPress_;
};

} // namespace dustlyn

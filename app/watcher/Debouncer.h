#pragma once

#include <chrono>
#include <optional>

namespace dustlyn {

// Collapses a burst of events into one delivery, `interval` after the burst's last event.
// Pure timing: the caller passes the current time in and sleeps until nextWake() itself.
class Debouncer {
public:
    using Clock = std::chrono::steady_clock;

    explicit Debouncer(Clock::duration interval);

    // An event at `now` (re)arms the delivery for now + interval.
    void noteEvent(Clock::time_point now);
    // When the pending delivery falls due; nothing when no burst is in progress.
    std::optional<Clock::time_point> nextWake() const { return deadline_; }
    // True exactly once per burst, at the first call at or after its deadline.
    bool takeDue(Clock::time_point now);
    // Drops the pending delivery, if any.
    void cancel() { deadline_.reset(); }

    Clock::duration interval() const { return interval_; }

private:
    Clock::duration interval_;
    std::optional<Clock::time_point> deadline_;
};

} // namespace dustlyn

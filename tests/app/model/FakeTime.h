#pragma once

#include "app/model/Clock.h"
#include "app/model/TimerSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace dustlyn::testing {

// A clock that moves only when the test says so.
class FakeClock : public Clock {
public:
    explicit FakeClock(Date start) : now_(start) {}
    Date now() const override { return now_; }
    void set(Date date) { now_ = date; }

private:
    Date now_;
};

// Timers that fire when the test advances time, in due order, moving the clock along.
class FakeTimers : public TimerSource {
public:
    explicit FakeTimers(FakeClock& clock) : clock_(clock) {}

    std::unique_ptr<Timer> singleShot(double seconds, std::function<void()> action) override;
    std::unique_ptr<Timer> repeating(double seconds, std::function<void()> action) override;

    // Moves time forward by `seconds`, firing every timer that falls due on the way.
    void advance(double seconds);

    // Delays of the live single-shot timers and periods of the live repeating ones.
    std::vector<double> pendingSingleShots() const;
    std::vector<double> repeatingPeriods() const;

private:
    struct Entry {
        double due = 0;    // seconds since the fake start
        double period = 0; // 0 for a single shot
        double delay = 0;
        std::function<void()> action;
        bool live = true;
    };
    class Handle;

    std::unique_ptr<Timer> add(double seconds, double period, std::function<void()> action);

    FakeClock& clock_;
    double elapsed_ = 0;
    std::vector<std::shared_ptr<Entry>> entries_;
};

} // namespace dustlyn::testing

#pragma once

#include <functional>
#include <memory>

namespace dustlyn {

// A pending timer; destroying it cancels it.
class Timer {
public:
    virtual ~Timer() = default;
};

// Where the model gets its timers from: Qt's on the main thread in the application, a
// hand-driven one in tests. Callbacks always run on the thread that owns the source.
class TimerSource {
public:
    virtual ~TimerSource() = default;
    virtual std::unique_ptr<Timer> singleShot(double seconds, std::function<void()> action) = 0;
    virtual std::unique_ptr<Timer> repeating(double seconds, std::function<void()> action) = 0;
};

} // namespace dustlyn

#pragma once

#include "app/model/TimerSource.h"

namespace dustlyn {

// Timers of the thread's Qt event loop. Single shots are precise (a file should leave
// within half a second of its deadline); repeating timers may be coalesced by the system.
class QtTimerSource : public TimerSource {
public:
    std::unique_ptr<Timer> singleShot(double seconds, std::function<void()> action) override;
    std::unique_ptr<Timer> repeating(double seconds, std::function<void()> action) override;
};

} // namespace dustlyn

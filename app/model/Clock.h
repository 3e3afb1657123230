#pragma once

#include "core/base/Date.h"

namespace dustlyn {

// The wall clock, injected so that deadlines and retention can be tested without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Date now() const = 0;
};

class SystemClock : public Clock {
public:
    Date now() const override { return std::chrono::system_clock::now(); }
};

} // namespace dustlyn

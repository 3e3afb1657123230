#pragma once

#include <string>

namespace dustlyn {

struct DurationText {
    // "immediately" for t <= 0, else "1 second"/"n seconds", minutes, hours or days,
    // each truncated toward zero ("7 days", "1 minute" for 90).
    static std::string longText(double seconds);
};

} // namespace dustlyn

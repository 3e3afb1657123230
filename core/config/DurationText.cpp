#include "core/config/DurationText.h"

#include <cstdint>
#include <limits>

namespace dustlyn {

namespace {

// Truncates toward zero; values beyond 64 bits (which no stored file holds) saturate.
std::int64_t whole(double value) {
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(value);
}

std::string count(std::int64_t n, const char* unit) {
    return n == 1 ? std::string("1 ") + unit : std::to_string(n) + " " + unit + "s";
}

} // namespace

std::string DurationText::longText(double seconds) {
    const double t = seconds;
    // Written as a negation so that NaN also reads as "immediately".
    if (!(t > 0))
        return "immediately";
    if (t < 60)
        return count(whole(t), "second");
    if (t < 3600)
        return count(whole(t / 60), "minute");
    if (t < 86400)
        return count(whole(t / 3600), "hour");
    return count(whole(t / 86400), "day");
}

} // namespace dustlyn

#include "core/base/ByteCount.h"

#include <cmath>
#include <cstdio>

namespace dustlyn {

std::string formatByteCount(std::int64_t bytes) {
    if (bytes == 1 || bytes == -1)
        return std::to_string(bytes) + " byte";
    if (bytes > -1000 && bytes < 1000)
        return std::to_string(bytes) + " bytes";
    static constexpr const char* units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(bytes) / 1000.0;
    int unit = 0;
    // Round first so that 999 999 bytes reads "1 MB", never "1000 kB".
    auto decimals = [](int u) { return u == 0 ? 0 : (u == 1 ? 1 : 2); };
    while (unit < 5) {
        const double scale = std::pow(10.0, decimals(unit));
        if (std::fabs(std::round(value * scale) / scale) < 1000.0)
            break;
        value /= 1000.0;
        ++unit;
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.*f %s", decimals(unit), value, units[unit]);
    return buffer;
}

} // namespace dustlyn

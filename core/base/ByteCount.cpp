#include "core/base/ByteCount.h"

#include <charconv>
#include <cmath>

namespace dustlyn {

namespace {

void appendInteger(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

} // namespace

std::string formatByteCount(std::int64_t bytes) {
    std::string text;
    appendByteCount(text, bytes);
    return text;
}

void appendByteCount(std::string& out, std::int64_t bytes) {
    if (bytes > -1000 && bytes < 1000) {
        appendInteger(out, bytes);
        out += bytes == 1 || bytes == -1 ? " byte" : " bytes";
        return;
    }
    if (bytes > -999'500 && bytes < 999'500) {
        const std::int64_t magnitude = bytes < 0 ? -bytes : bytes;
        // Whole kilobytes, rounded half to even as "%.0f" rounds the quotient: it is exact at
        // a half, and otherwise far enough from one that the integers give the same answer.
        std::int64_t kilobytes = magnitude / 1000;
        const std::int64_t rest = magnitude % 1000;
        if (rest > 500 || (rest == 500 && kilobytes % 2 == 1))
            ++kilobytes;
        appendInteger(out, bytes < 0 ? -kilobytes : kilobytes);
        out += " kB";
        return;
    }
    static constexpr const char* units[] = {" kB", " MB", " GB", " TB", " PB", " EB"};
    static constexpr double scales[] = {1.0, 10.0, 100.0}; // by number of decimals
    const auto decimals = [](int unit) { return unit == 0 ? 0 : (unit == 1 ? 1 : 2); };
    double value = double(bytes) / 1000.0;
    int unit = 0;
    // Round first so that 999 999 bytes reads "1 MB", never "1000 kB".
    while (unit < 5) {
        const double scale = scales[decimals(unit)];
        if (std::fabs(std::round(value * scale) / scale) < 1000.0)
            break;
        value /= 1000.0;
        ++unit;
    }
    // Correctly rounded like printf's "%.*f", without its cost per row of a long listing.
    char digits[48];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed,
                                   decimals(unit))
                         .ptr;
    out.append(digits, end);
    out += units[unit];
}

} // namespace dustlyn

#pragma once

#include <cstddef>
#include <string_view>

namespace dustlyn {

// Reads exactly `count` decimal digits of `text` from `at` into `out`; false when the text is
// shorter or one of them is no digit. For the fixed-width fields of dates and times.
constexpr bool readDecimalDigits(std::string_view text, std::size_t at, std::size_t count,
                                 int& out) {
    if (at > text.size() || count > text.size() - at)
        return false;
    out = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace dustlyn

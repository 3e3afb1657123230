#pragma once

#include <cstdint>
#include <string>

namespace dustlyn {

// "1 file", "3 files".
inline std::string plural(std::int64_t n, const std::string& word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace dustlyn

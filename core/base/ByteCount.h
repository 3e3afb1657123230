#pragma once

#include <cstdint>
#include <string>

namespace dustlyn {

// A file size for people, in decimal units (1 kB = 1000 bytes): "999 bytes", "12 kB",
// "3.4 MB", "1.25 GB".
std::string formatByteCount(std::int64_t bytes);
// The same text appended to `out`.
void appendByteCount(std::string& out, std::int64_t bytes);

} // namespace dustlyn

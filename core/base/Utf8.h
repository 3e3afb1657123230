#pragma once

#include <string_view>

namespace dustlyn {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);
// Every byte below 0x80.
bool isAscii(std::string_view text);

} // namespace dustlyn

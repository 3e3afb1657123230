#pragma once

#include <string>
#include <string_view>

namespace dustlyn {

// `text` without the spaces, tabs and line ends around it: what a user typed, pasted or a
// configuration file holds around a value is never part of it.
std::string trimmed(std::string_view text);

} // namespace dustlyn

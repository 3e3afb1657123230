#include "core/base/Trimmed.h"

namespace dustlyn {

std::string trimmed(std::string_view text) {
    constexpr std::string_view blank = " \t\r\n";
    const auto first = text.find_first_not_of(blank);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(blank) - first + 1));
}

} // namespace dustlyn

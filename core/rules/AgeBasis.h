#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dustlyn {

// Which file date a rule's age is measured from. The stored text is the case's name.
enum class AgeBasis { modification, creation };

std::string ageBasisText(AgeBasis basis);
// Exactly "modification" or "creation" (case-sensitive); anything else is no basis.
std::optional<AgeBasis> ageBasisFromText(std::string_view text);

} // namespace dustlyn

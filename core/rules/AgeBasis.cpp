#include "core/rules/AgeBasis.h"

namespace dustlyn {

std::string ageBasisText(AgeBasis basis) {
    return basis == AgeBasis::creation ? "creation" : "modification";
}

std::optional<AgeBasis> ageBasisFromText(std::string_view text) {
    if (text == "modification")
        return AgeBasis::modification;
    if (text == "creation")
        return AgeBasis::creation;
    return std::nullopt;
}

} // namespace dustlyn

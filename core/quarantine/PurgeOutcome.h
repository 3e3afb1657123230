#pragma once

#include "core/scan/MatchedFile.h"

#include <optional>
#include <string>

namespace dustlyn {

struct PurgeOutcome {
    MatchedFile file;
    bool success = false;
    std::optional<std::string> error;

    bool operator==(const PurgeOutcome&) const = default;
};

nlohmann::ordered_json toJson(const PurgeOutcome& outcome);

} // namespace dustlyn

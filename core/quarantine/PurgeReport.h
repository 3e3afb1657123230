#pragma once

#include "core/quarantine/PurgeOutcome.h"

#include <cstdint>
#include <vector>

namespace dustlyn {

struct PurgeReport {
    std::vector<PurgeOutcome> outcomes;
    std::int64_t purgedCount = 0;
    std::int64_t purgedSize = 0;
    std::int64_t failedCount = 0;

    static PurgeReport empty() { return {}; }

    bool operator==(const PurgeReport&) const = default;
};

// {"outcomes", "purgedCount", "purgedSize", "failedCount"}
nlohmann::ordered_json toJson(const PurgeReport& report);

} // namespace dustlyn

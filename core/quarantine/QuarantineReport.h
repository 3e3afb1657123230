#pragma once

#include "core/quarantine/QuarantineOutcome.h"

#include <cstdint>
#include <vector>

namespace dustlyn {

struct QuarantineReport {
    std::vector<QuarantineOutcome> outcomes;
    std::int64_t movedCount = 0;
    std::int64_t movedSize = 0; // sizes as the scan measured them
    std::int64_t failedCount = 0;

    static QuarantineReport empty() { return {}; }

    bool operator==(const QuarantineReport&) const = default;
};

// {"outcomes", "movedCount", "movedSize", "failedCount"}
nlohmann::ordered_json toJson(const QuarantineReport& report);

} // namespace dustlyn

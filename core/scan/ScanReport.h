#pragma once

#include "core/scan/ScanResult.h"

#include <cstdint>
#include <vector>

namespace dustlyn {

struct ScanReport {
    std::vector<ScanResult> results;
    std::int64_t matchedCount = 0;
    std::int64_t totalSize = 0;
    // Files left alone because their path is not valid UTF-8 and so could not be recorded.
    std::int64_t unrecordableCount = 0;

    std::vector<MatchedFile> watchingFiles() const;

    bool operator==(const ScanReport&) const = default;
};

} // namespace dustlyn

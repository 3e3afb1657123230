#include "core/scan/ScanResult.h"

namespace dustlyn {

std::vector<MatchedFile> ScanResult::eligibleFiles() const {
    std::vector<MatchedFile> eligible;
    for (const auto& file : files)
        if (file.isEligible)
            eligible.push_back(file);
    return eligible;
}

} // namespace dustlyn

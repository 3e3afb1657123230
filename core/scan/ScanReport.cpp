#include "core/scan/ScanReport.h"

namespace dustlyn {

std::vector<MatchedFile> ScanReport::watchingFiles() const {
    std::vector<MatchedFile> watching;
    for (const auto& result : results)
        for (const auto& file : result.files)
            if (!file.isEligible)
                watching.push_back(file);
    return watching;
}

} // namespace dustlyn

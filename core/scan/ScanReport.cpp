#include "core/scan/ScanReport.h"

namespace dustlyn {

namespace {

std::vector<MatchedFile> filesWhere(const std::vector<ScanResult>& results, bool eligible) {
    std::vector<MatchedFile> chosen;
    for (const auto& result : results)
        for (const auto& file : result.files)
            if (file.isEligible == eligible)
                chosen.push_back(file);
    return chosen;
}

} // namespace

std::vector<MatchedFile> ScanReport::eligibleFiles() const {
    return filesWhere(results, true);
}

std::vector<MatchedFile> ScanReport::watchingFiles() const {
    return filesWhere(results, false);
}

} // namespace dustlyn

#include "core/scan/ScanResult.h"

namespace dustlyn {

namespace {

std::vector<MatchedFile> filesWhere(const std::vector<MatchedFile>& files, bool eligible) {
    std::vector<MatchedFile> chosen;
    for (const auto& file : files)
        if (file.isEligible == eligible)
            chosen.push_back(file);
    return chosen;
}

} // namespace

std::vector<MatchedFile> ScanResult::eligibleFiles() const {
    return filesWhere(files, true);
}

std::vector<MatchedFile> ScanResult::watchingFiles() const {
    return filesWhere(files, false);
}

} // namespace dustlyn

#include "app/model/NewFileDetector.h"

namespace dustlyn {

std::vector<MatchedFile> NewFileDetector::detect(const ScanReport& scan, Date now) {
    std::set<std::filesystem::path> current;
    std::vector<MatchedFile> fresh;
    const Date cutoff = dateAfter(now, -window);
    for (const auto& result : scan.results) {
        for (const auto& file : result.files) {
            current.insert(file.url);
            if (knownFiles_ && !knownFiles_->contains(file.url) && !file.isManual() &&
                file.ageBasisDate > cutoff)
                fresh.push_back(file);
        }
    }
    knownFiles_ = std::move(current);
    return fresh;
}

} // namespace dustlyn

#include "app/model/NewFileDetector.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <string_view>

namespace dustlyn {

namespace {

std::uint64_t hashOf(const MatchedFile& file) {
    return std::hash<std::string_view>{}(file.url);
}

} // namespace

std::vector<MatchedFile> NewFileDetector::detect(const ScanReport& scan, Date now) {
    std::vector<std::uint64_t> current;
    current.reserve(static_cast<std::size_t>(std::max<std::int64_t>(scan.matchedCount, 0)));
    for (const auto& result : scan.results)
        for (const auto& file : result.files)
            current.push_back(hashOf(file));
    std::sort(current.begin(), current.end());
    std::vector<MatchedFile> fresh;
    if (knownFiles_) {
        // One pass over both sorted lists finds the few paths that are new; only when there
        // are some are the files looked at again.
        std::vector<std::uint64_t> arrived;
        std::set_difference(current.begin(), current.end(), knownFiles_->begin(),
                            knownFiles_->end(), std::back_inserter(arrived));
        const Date cutoff = dateAfter(now, -window);
        if (!arrived.empty())
            for (const auto& result : scan.results)
                for (const auto& file : result.files)
                    if (!file.isManual() && file.ageBasisDate > cutoff &&
                        std::binary_search(arrived.begin(), arrived.end(), hashOf(file)))
                        fresh.push_back(file);
    }
    knownFiles_ = std::move(current);
    return fresh;
}

} // namespace dustlyn

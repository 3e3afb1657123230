#pragma once

#include "core/base/Date.h"
#include "core/scan/ScanReport.h"

#include <filesystem>
#include <optional>
#include <set>
#include <vector>

namespace dustlyn {

// Remembers what the previous scan matched and tells which files are new arrivals.
class NewFileDetector {
public:
    // A file is new only when its basis date is less than this far in the past.
    static constexpr double window = 600;

    // The files of `scan` that were not in the previous one, are not timer-only and are
    // recent. The first scan only fills the memory and announces nothing.
    std::vector<MatchedFile> detect(const ScanReport& scan, Date now);

private:
    std::optional<std::set<std::filesystem::path>> knownFiles_;
};

} // namespace dustlyn

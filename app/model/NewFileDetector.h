#pragma once

#include "core/base/Date.h"
#include "core/scan/ScanReport.h"

#include <cstdint>
#include <optional>
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
    // Whether a scan has been seen yet.
    bool remembers() const { return knownFiles_.has_value(); }

private:
    // 64-bit hashes of the paths the previous scan matched, sorted: eight bytes a file and no
    // allocation per file on every refresh. Two paths sharing a hash (about one chance in
    // 10^15 for a folder of 20 000 files) would only keep an arrival from being announced.
    std::optional<std::vector<std::uint64_t>> knownFiles_;
};

} // namespace dustlyn

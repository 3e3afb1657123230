#pragma once

#include "core/base/Date.h"
#include "core/quarantine/QuarantinedFile.h"
#include "core/scan/MatchedFile.h"

#include <filesystem>
#include <vector>

namespace dustlyn {

// Lists the quarantine folder; the moment each file entered it is its modification date.
struct QuarantineScanner {
    // Everything in quarantine, soonest expiry first (stable).
    std::vector<QuarantinedFile> scanAll(const std::filesystem::path& folder, double ttl,
                                         Date now) const;
    // Only files whose age has reached `ttl`, in walk order, ready for deletion.
    std::vector<MatchedFile> scanExpired(const std::filesystem::path& folder, double ttl,
                                         Date now) const;
};

} // namespace dustlyn

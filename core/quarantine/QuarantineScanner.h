#pragma once

#include "core/base/Date.h"
#include "core/quarantine/QuarantinedFile.h"
#include "core/scan/MatchedFile.h"

#include <filesystem>
#include <vector>

namespace dustlyn {

// Lists the quarantine folder; the moment each file entered it is its modification date.
struct QuarantineScanner {
    // Everything in quarantine in walk order, each with its expiry and whether it has expired
    // by `now`: one walk that a sweep both purges from and shows.
    std::vector<QuarantinedFile> list(const std::filesystem::path& folder, double ttl,
                                      Date now) const;
    // Everything in quarantine, soonest expiry first (stable).
    std::vector<QuarantinedFile> scanAll(const std::filesystem::path& folder, double ttl,
                                         Date now) const;

    // A listing put in the order scanAll gives.
    static void sortByExpiry(std::vector<QuarantinedFile>& files);
    // The expired files of a listing, in its order, ready for deletion.
    static std::vector<MatchedFile> expired(const std::vector<QuarantinedFile>& files);
};

} // namespace dustlyn

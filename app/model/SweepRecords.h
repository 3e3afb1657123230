#pragma once

#include "app/model/SweepSummary.h"
#include "core/history/HistoryEntry.h"
#include "core/quarantine/PurgeReport.h"
#include "core/quarantine/QuarantineReport.h"
#include "core/scan/ScanReport.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// What a sweep takes from a scan, and what it writes down about its moves and deletions.
struct SweepRecords {
    // The claimed files of `scan` a sweep moves: the due ones, or all of them.
    static ScanReport toMove(const ScanReport& scan, bool everything);
    // Every file of `toMove` failed with `message` (nothing was moved).
    static QuarantineReport allFailed(const ScanReport& toMove, const std::string& message);
    // A "quarantined" entry for each file moved. The outcomes of `report` follow the files of
    // `moved` one for one, results in order.
    static std::vector<HistoryEntry> ofMoves(const ScanReport& moved,
                                             const QuarantineReport& report, const Uuid& sweepID,
                                             Date stamp);
    // The entries ofMoves() gives when every file of `toMove` moves under its own name into
    // `quarantine`, and their encoding (none for text that is not valid UTF-8): made while
    // the files move, and taken when cameTrue().
    struct Foreseen {
        std::vector<HistoryEntry> entries;
        std::shared_ptr<const std::string> encoded;
    };
    static Foreseen foresee(const ScanReport& toMove, const std::filesystem::path& quarantine,
                            const Uuid& sweepID, Date stamp);
    // Whether `entries` are what ofMoves() gives for `report`: every file moved, and to the
    // path foreseen.
    static bool cameTrue(const std::vector<HistoryEntry>& entries, const QuarantineReport& report);
    // A "deleted" entry for each file deleted, under the path it had before the quarantine as
    // far as `history` tells it.
    static std::vector<HistoryEntry>
    ofDeletions(const PurgeReport& report, const std::vector<HistoryEntry>& history, Date stamp);
    // The toast's account of the files moved.
    static SweepSummary summary(const Uuid& sweepID, const QuarantineReport& moved);
};

} // namespace dustlyn

#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"
#include "core/base/Uuid.h"
#include "core/history/HistoryEntry.h"
#include "core/quarantine/PurgeReport.h"
#include "core/quarantine/QuarantineReport.h"

#include <optional>
#include <vector>

namespace dustlyn {

// What a sweep did, for people: the files it moved and deleted, by name, and the command that
// puts them back. The same lines for `dustlyn sweep` and for `dustlyn --headless`.
struct SweepLines {
    enum class Detail {
        quiet,   // only the failures
        normal,  // the first files of each list, and how many more
        verbose, // every file, and a line when nothing was due
    };
    static constexpr std::size_t listedFiles = 10;

    // The detail a command line asks for with --quiet or --verbose.
    static Detail detailAsked(const CommandLine& line);

    // `history` is the model's after the sweep: it tells where each deleted file came from.
    // Failures go to `err` with exit code 1; nothing at all when nothing happened (unless
    // verbose).
    static CommandOutput describe(const QuarantineReport& moved, const PurgeReport& purged,
                                  const std::optional<Uuid>& sweepID,
                                  const std::vector<HistoryEntry>& history, Detail detail);

    // What the sweep that moved `asked` (`dustlyn remove-now`) did besides: the other files
    // that were due, how to put them back, what it deleted and what failed. Nothing when that
    // sweep did nothing else. The failures are told but leave the exit code alone: they are
    // not what was asked for.
    static CommandOutput besides(const std::filesystem::path& asked, const QuarantineReport& moved,
                                 const PurgeReport& purged, const std::optional<Uuid>& sweepID,
                                 const std::vector<HistoryEntry>& history);
};

} // namespace dustlyn

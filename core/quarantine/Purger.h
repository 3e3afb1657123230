#pragma once

#include "core/quarantine/FileDeleter.h"
#include "core/quarantine/FileMover.h"
#include "core/quarantine/MoveProgress.h"
#include "core/quarantine/PurgeReport.h"
#include "core/quarantine/QuarantineReport.h"
#include "core/scan/ScanReport.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dustlyn {

// One planned move of a sweep, known before any file is touched.
struct PlannedMove {
    std::string original;
    std::string destination;
    std::string ruleName;
    std::int64_t size = 0;
    // The original's modification date when the move was planned, so that a date the mover
    // set just before a crash can be taken back; nothing when it could not be read.
    std::optional<Date> modified;

    bool operator==(const PlannedMove&) const = default;
};

// Touches files on behalf of a sweep: into quarantine, back out, and away for good.
class Purger {
public:
    Purger(std::shared_ptr<FileMover> mover, std::shared_ptr<FileDeleter> deleter);

    // Called with every planned move before the first one happens (the sweep journals them);
    // not called when there is nothing to move. What it throws leaves every file in place
    // and comes out of quarantine().
    using PlanObserver = std::function<void(const std::vector<PlannedMove>&)>;
    // Called after each file, moved or not.
    using ProgressObserver = std::function<void(const MoveProgress&)>;

    // Moves every listed file into `directory`, one after the other, dated `now`. Each
    // destination is chosen before the first move from one reading of the folder, counting
    // the earlier ones as taken; an outcome's `quarantined` is where the mover actually put
    // the file. The plan's modification dates are the scan's (MatchedFile::modificationDate).
    QuarantineReport quarantine(const ScanReport& report, const std::filesystem::path& directory,
                                Date now, const PlanObserver& beforeMoves = {},
                                const ProgressObserver& progress = {}) const;

    // The first free path for `file`'s name in `directory`: name, name (1).ext, ... Looks at
    // the folder afresh for each candidate.
    static std::filesystem::path uniqueDestination(const std::filesystem::path& directory,
                                                   const std::filesystem::path& file);

    // Puts a quarantined file back at `target` (or a numbered name beside it when taken),
    // creating missing folders. Returns where it went; throws FileError.
    std::filesystem::path restore(const std::filesystem::path& quarantinedFile,
                                  const std::filesystem::path& target) const;

    // Deletes each file for good, one after the other.
    PurgeReport deleteFiles(const std::vector<MatchedFile>& files) const;

private:
    std::shared_ptr<FileMover> mover_;
    std::shared_ptr<FileDeleter> deleter_;
};

} // namespace dustlyn

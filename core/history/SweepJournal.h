#pragma once

#include "core/history/HistoryStore.h"
#include "core/quarantine/Purger.h"

#include <filesystem>
#include <vector>

namespace dustlyn {

// The moves a sweep is about to make, written durably before the first one, so that a
// crash between the moves and the history append still leaves every quarantined file's
// origin on record. Removed once the history holds the sweep's entries.
class SweepJournal {
public:
    explicit SweepJournal(std::filesystem::path url);

    // Beside the history file: supportDirectory/sweep-journal.json.
    static SweepJournal besideHistory(const HistoryStore& history);

    const std::filesystem::path& url() const { return url_; }

    // Throws FileError when the journal cannot be written; the sweep then moves nothing.
    void write(const Uuid& sweepID, const std::vector<PlannedMove>& moves) const;
    void remove() const;

    // After a crash: appends a "quarantined" entry for each journalled move whose file lies
    // at its quarantine path and is not yet in the history, then removes the journal.
    // Returns the history as it now is.
    std::vector<HistoryEntry> reconcile(const HistoryStore& history, Date now) const;

private:
    std::filesystem::path url_;
};

} // namespace dustlyn

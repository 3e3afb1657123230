#pragma once

#include "core/history/HistoryStore.h"
#include "core/quarantine/Purger.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace dustlyn {

// The moves a sweep is about to make, written durably before the first one, so that a
// crash between the moves and the history append still leaves every quarantined file's
// origin on record. Removed once the history holds the sweep's entries.
class SweepJournal {
public:
    // What a journal holds.
    struct Contents {
        Uuid sweepID;
        std::optional<Date> dated; // the date the moves give each file; none in older journals
        std::vector<PlannedMove> moves;

        bool operator==(const Contents&) const = default;
    };

    explicit SweepJournal(std::filesystem::path url);

    // Beside the history file: supportDirectory/sweep-journal.json.
    static SweepJournal besideHistory(const HistoryStore& history);

    const std::filesystem::path& url() const { return url_; }

    // `dated` is the modification date the moves give each file. Throws FileError when the
    // journal cannot be written; the sweep then moves nothing.
    void write(const Uuid& sweepID, Date dated, const std::vector<PlannedMove>& moves) const;
    // Nothing when there is no journal; throws DecodingError when it exists but cannot be
    // read or decoded.
    std::optional<Contents> load() const;
    // Deletes the journal (no journal is fine). False when it could not be deleted: the next
    // reconcile() then finds it and adds nothing twice.
    bool remove() const;

    // After a crash: appends a "quarantined" entry for each journalled move whose file lies
    // at its quarantine path and is not yet in the history (same sweep and quarantine path),
    // all in one append, then removes the journal once the history file holds them. A file
    // still at its origin that carries the sweep's date (dated, then the crash came before the
    // rename) gets its own modification date back, so its deadline stays where it was. A journal
    // that cannot be decoded is renamed to the first free damaged name (url() + ".damaged", then
    // "-2", "-3"…, never replacing an older one) and ignored. Returns the history as it now is.
    std::vector<HistoryEntry> reconcile(const HistoryStore& history, Date now) const;
    // The same on the caller's copy of the history file (see HistoryStore::append).
    void reconcile(const HistoryStore& history, HeldHistory& held, Date now) const;

private:
    std::filesystem::path url_;
};

} // namespace dustlyn

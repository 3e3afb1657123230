// The sweep: claimed files into the quarantine, expired ones out of it, and the history of both.
#include "app/model/AppModel.h"

#include "app/model/SweepRecords.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileSystemCalls.h"

#include <algorithm>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>

namespace dustlyn {

namespace {

// The history's entries for the moves, made on another core while the files move: a sweep's
// moves wait on the file system, and the entries would otherwise be made after them. Their
// encoding is also told as soon as it is made, for the history's rewrite to write it ahead.
struct ForeseenAside {
    std::future<SweepRecords::Foreseen> records;
    ModelHistory::Foreseen encoded;
};

ForeseenAside foreseeAside(const ScanReport& toMove, std::filesystem::path quarantine,
                           const Uuid& sweepID, Date stamp) {
    std::promise<std::shared_ptr<const std::string>> encoded;
    ForeseenAside aside;
    aside.encoded = encoded.get_future().share();
    // Deferred when no thread can be started: the entries are then made where they are taken.
    aside.records = std::async(std::launch::async | std::launch::deferred,
                               [&toMove, quarantine = std::move(quarantine), sweepID, stamp,
                                encoded = std::move(encoded)]() mutable {
                                   SweepRecords::Foreseen records =
                                       SweepRecords::foresee(toMove, quarantine, sweepID, stamp);
                                   encoded.set_value(records.encoded);
                                   return records;
                               });
    return aside;
}

} // namespace

// The rule folders are scanned once before the moves and once after; the quarantine is walked
// once, after the moves, and that one listing is both purged from and shown.
std::pair<QuarantineReport, PurgeReport> AppModel::sweepNow(SweepSource, bool everything) {
    removeAbandonedCopies();
    rescan();
    const Uuid sweepID = Uuid::random();
    lastSweepID_ = sweepID;
    // The quarantine is listed while the moves are recorded: the history waits on the disk's
    // flush, the listing on the folder's entries, and neither touches what the other reads.
    std::future<std::vector<QuarantinedFile>> listed;
    QuarantineReport moved = quarantineIncoming(sweepID, everything, [&] {
        try {
            listed = listQuarantineAside();
        } catch (const std::system_error&) {
            // No thread to spare: the listing is taken below, after the history.
        }
    });
    std::vector<QuarantinedFile> listing =
        listed.valid() ? listed.get()
                       : quarantineScanner_.list(quarantineFolder(), config().quarantineTTL, now());
    PurgeReport purged = purgeListed(listing);
    if (config().emptyTrash) {
        try {
            trashEmptier_->emptyTrash();
        } catch (const std::exception&) {
            // Emptying the Trash is a courtesy; a failure must not stop the sweep.
        }
    }
    setLastSweepDate(now());
    const bool timersPruned = pruneTimers();
    QuarantineScanner::sortByExpiry(listing);
    // A sweep that tried no move left the rule folders as the scan before it found them: a
    // change since then is the watcher's to report, and a folder of many claimed files is
    // not walked twice for each change in it.
    const bool changed =
        (moved.outcomes.empty() && !timersPruned) ? false : setLastScan(scanRuleFolders());
    refreshWith(changed, std::move(listing));
    if (moved.movedCount > 0 && onSweep)
        onSweep(SweepRecords::summary(sweepID, moved));
    if (onSweepFinished)
        onSweepFinished(moved, purged);
    return {std::move(moved), std::move(purged)};
}

QuarantineReport AppModel::quarantineIncoming(const Uuid& sweepID, bool everything,
                                              const std::function<void()>& afterMoves) {
    const ScanReport toMove = SweepRecords::toMove(lastScan_, everything);
    if (toMove.results.empty())
        return QuarantineReport::empty();
    // A previous sweep's journal must be on record before this one overwrites it; while the
    // history cannot be written, nothing more moves (a crash would strand the earlier files
    // without their origin).
    if (!reconcileJournal())
        return SweepRecords::allFailed(
            toMove, "the history cannot be written, and the last sweep's moves are not on "
                    "record yet");
    return moveToQuarantine(toMove, sweepID, afterMoves);
}

QuarantineReport AppModel::moveToQuarantine(const ScanReport& toMove, const Uuid& sweepID,
                                            const std::function<void()>& afterMoves) {
    const SweepJournal& journal = history_.journal();
    QuarantineReport report;
    const Date dated = now();
    // Joined below, or when leaving by an exception: `toMove` outlives it either way.
    ForeseenAside foreseen = foreseeAside(toMove, quarantineFolder(), sweepID, dated);
    try {
        report = purger_.quarantine(
            toMove, quarantineFolder(), dated,
            [&](const std::vector<PlannedMove>& plan) {
                journal.write(sweepID, dated, plan);
                // Past the history's cap its rewrite starts now, to reach the disk while the
                // files move.
                history_.prepareAppend(plan.size(), foreseen.encoded);
            },
            onSweepProgress);
    } catch (const FileError& error) {
        // Without the journal a crash could strand files without their origin: move nothing.
        report = SweepRecords::allFailed(toMove, error.what());
    }
    if (afterMoves)
        afterMoves();
    setLastQuarantine(report);
    // Dated as the files are, whether foreseen or made now: a name taken meanwhile or a
    // failed move makes them here.
    SweepRecords::Foreseen records = foreseen.records.get();
    if (!SweepRecords::cameTrue(records.entries, report))
        records = {SweepRecords::ofMoves(toMove, report, sweepID, dated), nullptr};
    // The journal goes only once the history file really holds the sweep's entries; if the
    // write failed, the next sweep or start-up records them from the journal.
    if (records.entries.empty() || appendHistory(records.entries, records.encoded.get()))
        journal.remove();
    return report;
}

std::future<std::vector<QuarantinedFile>> AppModel::listQuarantineAside() const {
    // Deferred when no thread can be started: the listing then runs where it is awaited.
    return std::async(std::launch::async | std::launch::deferred,
                      [scanner = quarantineScanner_, folder = quarantineFolder(),
                       ttl = config().quarantineTTL,
                       at = now()] { return scanner.list(folder, ttl, at); });
}

PurgeReport AppModel::purgeExpired() {
    std::vector<QuarantinedFile> listing =
        quarantineScanner_.list(quarantineFolder(), config().quarantineTTL, now());
    return purgeListed(listing);
}

PurgeReport AppModel::purgeListed(std::vector<QuarantinedFile>& listing) {
    // The defaults' retention may be shorter than the one the user set in the unreadable file.
    if (configUnreadable())
        return PurgeReport::empty();
    const auto expired = QuarantineScanner::expired(listing);
    if (expired.empty())
        return PurgeReport::empty();
    PurgeReport report = purger_.deleteFiles(expired);
    setLastPurge(report);
    const auto entries = SweepRecords::ofDeletions(report, history(), now());
    std::unordered_set<std::string_view> deleted;
    for (const auto& entry : entries)
        deleted.insert(entry.quarantinePath);
    std::erase_if(listing, [&](const QuarantinedFile& file) { return deleted.contains(file.url); });
    if (!entries.empty())
        appendHistory(entries);
    return report;
}

bool AppModel::pruneTimers() {
    const auto gone = [](const auto& entry) { return !targetExists(entry.first); };
    const auto& timers = config().timers;
    if (std::none_of(timers.begin(), timers.end(), gone))
        return false;
    changeConfig([&](Configuration& config) { std::erase_if(config.timers, gone); });
    return true;
}

} // namespace dustlyn

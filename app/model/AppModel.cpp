#include "app/model/AppModel.h"

#include "app/model/QtTimerSource.h"
#include "app/model/SweepSchedule.h"
#include "app/watcher/FolderWatcher.h"
#include "core/base/AtomicFile.h"
#include "core/base/FileError.h"
#include "core/base/Paths.h"
#include "core/quarantine/TreeCopy.h"
#include "core/quarantine/XdgTrashEmptier.h"
#include "core/scan/Scanner.h"

#include <QPointer>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace dustlyn {

namespace fs = std::filesystem;

AppModelServices AppModelServices::standard(const UserFolders& folders) {
    AppModelServices services;
    services.folders = folders;
    services.clock = std::make_shared<SystemClock>();
    services.timers = std::make_shared<QtTimerSource>();
    const fs::path homeTrash = folders.dataHome / "Trash";
    services.trashEmptierFor = [homeTrash](bool on) -> std::shared_ptr<TrashEmptier> {
        if (on)
            return std::make_shared<XdgTrashEmptier>(homeTrash, ::getuid());
        return std::make_shared<NoOpTrashEmptier>();
    };
    return services;
}

AppModel::AppModel(ConfigurationStore store, std::optional<HistoryStore> historyStore,
                   Purger purger, std::shared_ptr<TrashEmptier> trashEmptier,
                   FolderWatcher* watcher, AppModelServices services, QObject* parent)
    : QObject(parent), store_(std::move(store)),
      historyStore_(historyStore ? std::move(*historyStore)
                                 : HistoryStore::inFolder(store_.url().parent_path())),
      journal_(SweepJournal::besideHistory(historyStore_)), purger_(std::move(purger)),
      watcher_(watcher), services_(std::move(services)) {
    ConfigurationReadout readout = store_.read();
    config_ = std::move(readout.configuration);
    knownBytes_ = std::move(readout.bytes);
    configUnreadable_ = readout.damage.has_value();
    configNotices_ = readout.notices(store_.url());
    trashEmptier_ =
        trashEmptier ? std::move(trashEmptier) : services_.trashEmptierFor(config_.emptyTrash);
    // A history cut short or replaced is read now, so that its notice is told with the
    // configuration's; a sound one waits until something needs its entries.
    if (!historyStore_.looksWhole())
        heldHistory();
    reconcileJournal();
    removeAbandonedCopies();
    if (watcher_) {
        QPointer<AppModel> self(this);
        watcher_->onChangesDetected = [self] {
            if (!self)
                return;
            // Turn the delivery into a task of its own, so a sweep never runs inside the
            // watcher's callback.
            self->changeSweep_ = self->services_.timers->singleShot(0, [self] {
                if (self && self->started_)
                    self->sweepNow(SweepSource::folderChange);
            });
        };
    }
}

AppModel::~AppModel() {
    if (watcher_)
        watcher_->onChangesDetected = nullptr;
}

HeldHistory& AppModel::heldHistory() const {
    if (history_)
        return *history_;
    HistoryReadout stored = historyStore_.read();
    if (const auto notice = stored.notice(historyStore_.url()))
        historyNotices_.push_back(*notice);
    history_ = HeldHistory{std::move(stored.entries), stored.damaged, false};
    return *history_;
}

// A journal left behind means the last run stopped between its moves and its history
// entry; record where those files came from before anything else happens.
void AppModel::reconcileJournal() {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(journal_.url(), error)))
        return;
    HeldHistory& held = heldHistory();
    const HeldHistory before = held;
    journal_.reconcile(historyStore_, held, now());
    if (!held.damaged)
        historyNotices_.clear();
    if (held.entries != before.entries)
        emit historyChanged();
}

// A copy into the quarantine killed half way lies there hidden for ever: no listing shows
// it and no purge takes it. Nothing else copies into it while this model holds the lock,
// and a copy in progress elsewhere holds its partial file locked.
void AppModel::removeAbandonedCopies() {
    dustlyn::removeAbandonedCopies(quarantineFolder());
}

void AppModel::start() {
    if (started_)
        return;
    started_ = true;
    setPaused(false);
    adoptScreenshotLocation();
    ensureQuarantineDirectory();
    refresh();
    updateWatchedFolders();
    scheduleNext();
    // The first sweep runs once start-up has settled, even if stop() comes first.
    startupSweep_ = services_.timers->singleShot(0.05, [this] { sweepNow(SweepSource::startUp); });
}

void AppModel::stop() {
    started_ = false;
    timer_.reset();
    deadlineTimer_.reset();
    if (watcher_)
        watcher_->stop();
}

fs::path AppModel::quarantineFolder() const {
    return config_.quarantineURL(services_.folders.home);
}

std::vector<fs::path> AppModel::excludedFolders() const {
    return {resolvePath(quarantineFolder()), resolvePath(store_.url().parent_path())};
}

ScanReport AppModel::scanRuleFolders() const {
    const Scanner scanner(services_.folders.home, excludedFolders());
    const fs::path& home = services_.folders.home;
    return scanner.scan(config_.rules, config_.pinURLs(home), config_.timerURLs(home), now());
}

bool AppModel::rescan() {
    const bool changed = setLastScan(scanRuleFolders());
    // A scan equal to the last one holds no new file, and the detector remembers it already.
    if (changed || !newFiles_.remembers())
        detectNewFiles();
    return changed;
}

void AppModel::refresh() {
    const bool changed = setLastScan(scanRuleFolders());
    refreshWith(changed,
                quarantineScanner_.scanAll(quarantineFolder(), config_.quarantineTTL, now()));
}

void AppModel::refreshWith(bool scanChanged, std::vector<QuarantinedFile> quarantined) {
    setQuarantined(std::move(quarantined));
    if (scanChanged || !newFiles_.remembers())
        detectNewFiles();
    scheduleDeadlineSweep();
}

// The rule folders are scanned once before the moves and once after; the quarantine is walked
// once, after the moves, and that one listing is both purged from and shown.
std::pair<QuarantineReport, PurgeReport> AppModel::sweepNow(SweepSource, bool everything) {
    removeAbandonedCopies();
    rescan();
    const Uuid sweepID = Uuid::random();
    lastSweepID_ = sweepID;
    QuarantineReport moved = quarantineIncoming(sweepID, everything);
    std::vector<QuarantinedFile> listing =
        quarantineScanner_.list(quarantineFolder(), config_.quarantineTTL, now());
    PurgeReport purged = purgeListed(listing);
    if (config_.emptyTrash) {
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
    announceSweep(sweepID, moved);
    if (onSweepFinished)
        onSweepFinished(moved, purged);
    return {std::move(moved), std::move(purged)};
}

void AppModel::announceSweep(const Uuid& sweepID, const QuarantineReport& moved) {
    if (moved.movedCount < 1 || !onSweep)
        return;
    SweepSummary summary{sweepID, {}, moved.movedCount, moved.movedSize, std::nullopt};
    for (const auto& outcome : moved.outcomes) {
        if (!outcome.success)
            continue;
        summary.movedURLs.push_back(outcome.original);
        if (!summary.sample)
            summary.sample = outcome.quarantined;
    }
    onSweep(summary);
}

namespace {

QuarantineReport allFailed(const ScanReport& toMove, const std::string& message) {
    QuarantineReport report;
    for (const auto& result : toMove.results)
        for (const auto& file : result.files)
            report.outcomes.push_back({file.url, std::nullopt, false, message});
    report.failedCount = static_cast<std::int64_t>(report.outcomes.size());
    return report;
}

} // namespace

// The outcomes follow the files of `moved` one for one, results in order.
std::vector<HistoryEntry> AppModel::entriesOfMoves(const ScanReport& moved,
                                                   const QuarantineReport& report,
                                                   const Uuid& sweepID) const {
    std::vector<HistoryEntry> entries;
    entries.reserve(static_cast<std::size_t>(report.movedCount));
    const std::vector<Uuid> ids = Uuid::randomMany(static_cast<std::size_t>(report.movedCount));
    const Date stamp = now();
    std::size_t at = 0;
    for (const auto& result : moved.results) {
        for (const auto& file : result.files) {
            const QuarantineOutcome& outcome = report.outcomes.at(at++);
            if (!outcome.success || !outcome.quarantined)
                continue;
            entries.push_back({ids.at(entries.size()), stamp, HistoryEntry::Kind::quarantined,
                               outcome.original.native(), outcome.quarantined->native(), file.size,
                               result.rule.name, sweepID});
        }
    }
    return entries;
}

QuarantineReport AppModel::quarantineIncoming(const Uuid& sweepID, bool everything) {
    ScanReport toMove;
    for (const auto& result : lastScan_.results) {
        ScanResult chosen{result.rule, result.folder,
                          everything ? result.files : result.eligibleFiles()};
        if (chosen.files.empty())
            continue;
        for (const auto& file : chosen.files) {
            toMove.matchedCount += 1;
            toMove.totalSize += file.size;
        }
        toMove.results.push_back(std::move(chosen));
    }
    if (toMove.results.empty())
        return QuarantineReport::empty();

    // A previous sweep's journal must be on record before this one overwrites it.
    reconcileJournal();
    QuarantineReport report;
    const Date dated = now();
    try {
        report = purger_.quarantine(
            toMove, quarantineFolder(), dated,
            [&](const std::vector<PlannedMove>& plan) { journal_.write(sweepID, dated, plan); },
            onSweepProgress);
    } catch (const FileError& error) {
        // Without the journal a crash could strand files without their origin: move nothing.
        report = allFailed(toMove, error.what());
    }
    setLastQuarantine(report);
    const std::vector<HistoryEntry> entries = entriesOfMoves(toMove, report, sweepID);
    // The journal goes only once the history file really holds the sweep's entries; if the
    // write failed, the next sweep or start-up records them from the journal.
    if (entries.empty() || appendHistory(entries))
        journal_.remove();
    return report;
}

PurgeReport AppModel::purgeExpired() {
    std::vector<QuarantinedFile> listing =
        quarantineScanner_.list(quarantineFolder(), config_.quarantineTTL, now());
    return purgeListed(listing);
}

PurgeReport AppModel::purgeListed(std::vector<QuarantinedFile>& listing) {
    // The defaults' retention may be shorter than the one the user set in the unreadable file.
    if (configUnreadable_)
        return PurgeReport::empty();
    const auto expired = QuarantineScanner::expired(listing);
    if (expired.empty())
        return PurgeReport::empty();
    PurgeReport report = purger_.deleteFiles(expired);
    setLastPurge(report);
    // Where each quarantine path came from, the newest record winning, as originalPath()
    // would answer it: looked up once per deleted file rather than by a walk of the history.
    std::unordered_map<std::string_view, const std::string*> origins;
    for (const auto& entry : history())
        if (entry.kind == HistoryEntry::Kind::quarantined)
            origins[entry.quarantinePath] = &entry.originalPath;
    const Date stamp = now();
    const std::vector<Uuid> ids = Uuid::randomMany(static_cast<std::size_t>(report.purgedCount));
    std::vector<HistoryEntry> entries;
    std::unordered_set<std::string_view> deleted;
    for (const auto& outcome : report.outcomes) {
        if (!outcome.success)
            continue;
        const std::string& path = outcome.file.url;
        deleted.insert(path);
        const auto origin = origins.find(path);
        entries.push_back({ids.at(entries.size()), stamp, HistoryEntry::Kind::deleted,
                           origin == origins.end() ? path : *origin->second, path,
                           outcome.file.size, "", std::nullopt});
    }
    std::erase_if(listing, [&](const QuarantinedFile& file) { return deleted.contains(file.url); });
    if (!entries.empty())
        appendHistory(entries);
    return report;
}

bool AppModel::pruneTimers() {
    const auto gone = [](const auto& entry) {
        struct stat info {};
        return ::stat(entry.first.c_str(), &info) != 0;
    };
    if (std::none_of(config_.timers.begin(), config_.timers.end(), gone))
        return false;
    changeConfig([&](Configuration& config) { std::erase_if(config.timers, gone); });
    return true;
}

void AppModel::scheduleNext() {
    timer_.reset();
    const double period = SweepSchedule::regularPeriod(config_.checkInterval);
    timer_ = services_.timers->repeating(period, [this] {
        if (started_)
            sweepNow(SweepSource::regularTimer);
    });
}

void AppModel::scheduleDeadlineSweep() {
    deadlineTimer_.reset();
    if (!started_)
        return;
    const auto delay =
        SweepSchedule::deadlineDelay(lastScan_, quarantined_, config_.checkInterval, now());
    if (!delay)
        return;
    deadlineTimer_ = services_.timers->singleShot(*delay, [this] {
        if (started_)
            sweepNow(SweepSource::deadlineTimer);
    });
}

void AppModel::detectNewFiles() {
    const auto fresh = newFiles_.detect(lastScan_, now());
    if (!fresh.empty() && onNewFiles)
        onNewFiles(fresh);
}

void AppModel::ensureQuarantineDirectory() {
    try {
        createDirectories(quarantineFolder());
    } catch (const FileError&) {
        // The moves will fail file by file and say why.
    }
}

void AppModel::updateWatchedFolders() {
    if (!watcher_)
        return;
    std::set<fs::path> folders;
    for (const auto& rule : config_.rules)
        if (rule.enabled)
            for (const auto& folder : rule.folders)
                folders.insert(resolveText(folder, services_.folders.home));
    watcher_->watch(folders);
}

} // namespace dustlyn

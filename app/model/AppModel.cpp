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
#include <map>
#include <set>

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

namespace {

HistoryStore historyBeside(const ConfigurationStore& store) {
    return HistoryStore(store.url().parent_path() / "history.json", 5000);
}

} // namespace

AppModel::AppModel(ConfigurationStore store, std::optional<HistoryStore> historyStore,
                   Purger purger, std::shared_ptr<TrashEmptier> trashEmptier,
                   FolderWatcher* watcher, AppModelServices services, QObject* parent)
    : QObject(parent), store_(std::move(store)),
      historyStore_(historyStore ? std::move(*historyStore) : historyBeside(store_)),
      journal_(SweepJournal::besideHistory(historyStore_)), purger_(std::move(purger)),
      watcher_(watcher), services_(std::move(services)) {
    ConfigurationReadout readout = store_.read();
    config_ = std::move(readout.configuration);
    knownBytes_ = std::move(readout.bytes);
    configUnreadable_ = readout.damage.has_value();
    configNotices_ = readout.notices(store_.url());
    trashEmptier_ =
        trashEmptier ? std::move(trashEmptier) : services_.trashEmptierFor(config_.emptyTrash);
    HistoryReadout stored = historyStore_.read();
    history_ = std::move(stored.entries);
    if (const auto notice = stored.notice(historyStore_.url()))
        historyNotices_.push_back(*notice);
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

// A journal left behind means the last run stopped between its moves and its history
// entry; record where those files came from before anything else happens.
void AppModel::reconcileJournal() {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(journal_.url(), error)))
        return;
    setHistory(journal_.reconcile(historyStore_, now()));
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

void AppModel::refresh() {
    const Scanner scanner(services_.folders.home, excludedFolders());
    const fs::path& home = services_.folders.home;
    const bool changed = setLastScan(
        scanner.scan(config_.rules, config_.pinURLs(home), config_.timerURLs(home), now()));
    setQuarantined(quarantineScanner_.scanAll(quarantineFolder(), config_.quarantineTTL, now()));
    // A scan equal to the last one holds no new file, and the detector remembers it already.
    if (changed || !newFiles_.remembers())
        detectNewFiles();
    scheduleDeadlineSweep();
}

std::pair<QuarantineReport, PurgeReport> AppModel::sweepNow(SweepSource, bool everything) {
    removeAbandonedCopies();
    refresh();
    const Uuid sweepID = Uuid::random();
    lastSweepID_ = sweepID;
    QuarantineReport moved = quarantineIncoming(sweepID, everything);
    PurgeReport purged = purgeExpired();
    if (config_.emptyTrash) {
        try {
            trashEmptier_->emptyTrash();
        } catch (const std::exception&) {
            // Emptying the Trash is a courtesy; a failure must not stop the sweep.
        }
    }
    setLastSweepDate(now());
    pruneTimers();
    refresh();
    if (moved.movedCount >= 1 && onSweep) {
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
    if (onSweepFinished)
        onSweepFinished(moved, purged);
    return {std::move(moved), std::move(purged)};
}

namespace {

// The history file is replaced whole, so holding the newest entry means holding them all.
bool historyHolds(const HistoryStore& store, const std::vector<HistoryEntry>& entries) {
    if (entries.empty())
        return true;
    const auto stored = store.load();
    return std::any_of(stored.rbegin(), stored.rend(),
                       [&](const HistoryEntry& entry) { return entry.id == entries.back().id; });
}

QuarantineReport allFailed(const ScanReport& toMove, const std::string& message) {
    QuarantineReport report;
    for (const auto& result : toMove.results)
        for (const auto& file : result.files)
            report.outcomes.push_back({file.url, std::nullopt, false, message});
    report.failedCount = static_cast<std::int64_t>(report.outcomes.size());
    return report;
}

} // namespace

QuarantineReport AppModel::quarantineIncoming(const Uuid& sweepID, bool everything) {
    ScanReport toMove;
    std::map<fs::path, std::string> ruleNames;
    std::map<fs::path, std::int64_t> sizes;
    for (const auto& result : lastScan_.results) {
        ScanResult chosen{result.rule, result.folder,
                          everything ? result.files : result.eligibleFiles()};
        if (chosen.files.empty())
            continue;
        for (const auto& file : chosen.files) {
            ruleNames[file.url] = chosen.rule.name;
            sizes[file.url] = file.size;
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
        SweepProgress progress{0, toMove.matchedCount, 0, toMove.totalSize};
        report = purger_.quarantine(
            toMove, quarantineFolder(), dated,
            [&](const std::vector<PlannedMove>& plan) { journal_.write(sweepID, dated, plan); },
            [&](std::int64_t files, std::int64_t bytes) {
                progress.filesDone = files;
                progress.bytesDone = bytes;
                if (onSweepProgress)
                    onSweepProgress(progress);
            });
    } catch (const FileError& error) {
        // Without the journal a crash could strand files without their origin: move nothing.
        report = allFailed(toMove, error.what());
    }
    setLastQuarantine(report);

    const Date stamp = now();
    std::vector<HistoryEntry> entries;
    for (const auto& outcome : report.outcomes) {
        if (!outcome.success || !outcome.quarantined)
            continue;
        const auto name = ruleNames.find(outcome.original);
        const auto size = sizes.find(outcome.original);
        entries.push_back({Uuid::random(), stamp, HistoryEntry::Kind::quarantined,
                           outcome.original.native(), outcome.quarantined->native(),
                           size == sizes.end() ? 0 : size->second,
                           name == ruleNames.end() ? std::string() : name->second, sweepID});
    }
    if (!entries.empty())
        appendHistory(entries);
    // The journal goes only once the history file really holds the sweep's entries; if the
    // write failed, the next sweep or start-up records them from the journal.
    if (historyHolds(historyStore_, entries))
        journal_.remove();
    return report;
}

PurgeReport AppModel::purgeExpired() {
    // The defaults' retention may be shorter than the one the user set in the unreadable file.
    if (configUnreadable_)
        return PurgeReport::empty();
    const auto expired =
        quarantineScanner_.scanExpired(quarantineFolder(), config_.quarantineTTL, now());
    if (expired.empty())
        return PurgeReport::empty();
    PurgeReport report = purger_.deleteFiles(expired);
    setLastPurge(report);
    const Date stamp = now();
    std::vector<HistoryEntry> entries;
    for (const auto& outcome : report.outcomes) {
        if (!outcome.success)
            continue;
        const std::string path = outcome.file.url;
        entries.push_back({Uuid::random(), stamp, HistoryEntry::Kind::deleted,
                           HistoryStore::originalPath(path, history_).value_or(path), path,
                           outcome.file.size, "", std::nullopt});
    }
    if (!entries.empty())
        appendHistory(entries);
    return report;
}

void AppModel::pruneTimers() {
    const auto gone = [](const auto& entry) {
        struct stat info {};
        return ::stat(entry.first.c_str(), &info) != 0;
    };
    if (std::none_of(config_.timers.begin(), config_.timers.end(), gone))
        return;
    changeConfig([&](Configuration& config) { std::erase_if(config.timers, gone); });
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

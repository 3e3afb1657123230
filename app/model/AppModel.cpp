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

#include <unistd.h>

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

AppModel::AppModel(ConfigurationStore store, std::optional<HistoryStore> historyStore,
                   Purger purger, std::shared_ptr<TrashEmptier> trashEmptier,
                   FolderWatcher* watcher, AppModelServices services, QObject* parent)
    : QObject(parent), configuration_(std::move(store)),
      history_(historyStore ? std::move(*historyStore)
                            : HistoryStore::inFolder(configuration_.store().url().parent_path())),
      purger_(std::move(purger)), watcher_(watcher), services_(std::move(services)) {
    trashEmptier_ =
        trashEmptier ? std::move(trashEmptier) : services_.trashEmptierFor(config().emptyTrash);
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
bool AppModel::reconcileJournal() {
    const ModelHistory::Reconciled reconciled = history_.reconcileJournal(now());
    if (reconciled.added)
        emit historyChanged();
    return !reconciled.waiting;
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
    return config().quarantineURL(services_.folders.home);
}

std::vector<fs::path> AppModel::excludedFolders() const {
    return config().excludedFolders(services_.folders.home, store().url().parent_path());
}

ScanReport AppModel::scanRuleFolders() const {
    const Scanner scanner(services_.folders.home, excludedFolders());
    const fs::path& home = services_.folders.home;
    const Configuration& config = this->config();
    return scanner.scan(config.rules, config.pinURLs(home), config.timerURLs(home), now());
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
                quarantineScanner_.scanAll(quarantineFolder(), config().quarantineTTL, now()));
}

void AppModel::refreshWith(bool scanChanged, std::vector<QuarantinedFile> quarantined) {
    setQuarantined(std::move(quarantined));
    if (scanChanged || !newFiles_.remembers())
        detectNewFiles();
    scheduleDeadlineSweep();
}

void AppModel::scheduleNext() {
    timer_.reset();
    const double period = SweepSchedule::regularPeriod(config().checkInterval);
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
        SweepSchedule::deadlineDelay(lastScan_, quarantined_, config().checkInterval, now());
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
    for (const auto& rule : config().rules)
        if (rule.enabled)
            for (const auto& folder : rule.folders)
                folders.insert(resolveText(folder, services_.folders.home));
    watcher_->watch(folders);
}

} // namespace dustlyn

#pragma once

#include "app/model/Clock.h"
#include "app/model/ConfigurationFile.h"
#include "app/model/ModelHistory.h"
#include "app/model/NewFileDetector.h"
#include "app/model/SweepSummary.h"
#include "app/model/TimerSource.h"
#include "core/quarantine/Purger.h"
#include "core/quarantine/QuarantineScanner.h"
#include "core/quarantine/TrashEmptier.h"
#include "core/scan/ScanReport.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dustlyn {

class FolderWatcher;

// A quarantined file that could not be put back, and the system's reason.
struct RestoreFailure {
    std::filesystem::path file;
    std::string reason;

    bool operator==(const RestoreFailure&) const = default;
};

// What undoing a sweep did: where each file went back to, in history order, and what stayed.
struct UndoResult {
    std::vector<std::filesystem::path> restored;
    std::vector<RestoreFailure> failed;

    bool operator==(const UndoResult&) const = default;
};

// What the model needs from its surroundings besides its stores and its purger.
struct AppModelServices {
    UserFolders folders;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<TimerSource> timers;
    // The trash emptier that follows the "empty the Trash" switch.
    std::function<std::shared_ptr<TrashEmptier>(bool emptyTrash)> trashEmptierFor;

    // The system clock, Qt timers and the freedesktop.org trash of `folders`.
    static AppModelServices standard(const UserFolders& folders);
};

// The one observable model: owns the configuration, the latest scan, the quarantine
// listing and the history, and runs the sweep cycle. Lives on the main thread. Its
// published fields notify only when their value really changes. The stored files are kept by
// the objects it owns (ConfigurationFile, ModelHistory); what an action changes in the
// configuration is said by ConfigurationEdits, and what a sweep records by SweepRecords.
class AppModel : public QObject {
    Q_OBJECT

public:
    // `historyStore` defaults to history.json beside the configuration file;
    // `trashEmptier` defaults to the one the configuration's switch asks for; `watcher` may
    // be null (a one-off command that never watches).
    AppModel(ConfigurationStore store, std::optional<HistoryStore> historyStore, Purger purger,
             std::shared_ptr<TrashEmptier> trashEmptier, FolderWatcher* watcher,
             AppModelServices services, QObject* parent = nullptr);
    ~AppModel() override;

    // Published fields.
    const Configuration& config() const { return configuration_.config(); }
    // The clock every deadline and countdown of this model is measured with.
    Date now() const { return services_.clock->now(); }
    const ScanReport& lastScan() const { return lastScan_; }
    const std::vector<QuarantinedFile>& quarantined() const { return quarantined_; }
    // Read from the file at the first call: a sweep that only adds to the history never
    // needs what it holds.
    const std::vector<HistoryEntry>& history() const { return history_.entries(); }
    const QuarantineReport& lastQuarantine() const { return lastQuarantine_; }
    const PurgeReport& lastPurge() const { return lastPurge_; }
    std::optional<Date> lastSweepDate() const { return lastSweepDate_; }
    bool paused() const { return paused_; }
    bool started() const { return started_; }

    const ConfigurationStore& store() const { return configuration_.store(); }
    const HistoryStore& historyStore() const { return history_.store(); }
    const UserFolders& folders() const { return services_.folders; }

    std::function<void(const std::vector<MatchedFile>&)> onNewFiles;
    std::function<void(const SweepSummary&)> onSweep;
    // Told after each file a sweep's quarantine step handled, moved or not.
    std::function<void(const MoveProgress&)> onSweepProgress;
    // Told after every sweep, whatever it did.
    std::function<void(const QuarantineReport&, const PurgeReport&)> onSweepFinished;
    // Told a line for the user about the configuration file: an edit made outside Dustlyn
    // that was taken up, or one that could not be read.
    std::function<void(const std::string&)> onNotice;

    // The sweep cycle.
    void start();
    void stop();
    void refresh();
    std::pair<QuarantineReport, PurgeReport> sweepNow(SweepSource source, bool everything = false);
    // `afterMoves` runs once the files have moved, before the moves are recorded.
    QuarantineReport quarantineIncoming(const Uuid& sweepID, bool everything,
                                        const std::function<void()>& afterMoves = {});
    PurgeReport purgeExpired();

    // User actions. The file actions refuse (return false) a path that cannot be recorded.
    bool keep(const std::filesystem::path& url);
    void addPin(const std::string& text);
    // Stops keeping a file (the kept-files list's removal).
    bool removePin(const std::string& path);
    bool setTimer(const std::filesystem::path& url, double seconds);
    bool removeNow(const std::filesystem::path& url);
    std::optional<std::filesystem::path> restore(const std::filesystem::path& url);
    // Puts back what the sweep moved and is still in the quarantine.
    UndoResult undo(const Uuid& sweepID);
    // Puts a file's kept flag and timer back as they were (a command that failed).
    void setFileSettings(const std::string& path, bool kept, std::optional<Date> timer);
    void toggleRule(const Uuid& id);
    void addRule(const PurgeRule& rule);
    void updateRule(const PurgeRule& rule);
    void removeRule(const Uuid& id);
    void resetRules();
    void setFolderEnabled(const std::string& folder, bool enabled,
                          const std::vector<Uuid>& ruleIDs);
    // Applies what is given and usable. A quarantine folder that would hold the user's own
    // files is refused (the message says why, the other values still apply); a chosen folder
    // that already holds files gets a dedicated sub-folder as the quarantine.
    std::optional<std::string> updateGeneral(std::optional<double> checkInterval,
                                             std::optional<std::string> quarantineDirectory,
                                             std::optional<double> quarantineTTL,
                                             std::optional<bool> emptyTrash);
    void updateTrashAutoclean(bool on);
    void updateShowMenuBarIcon(bool show);
    // The notch's switches; the notch controller re-reads them when told.
    void updateNotchSettings(const NotchSettings& settings);
    void completeOnboarding();
    void togglePaused();

    // Queries.
    std::vector<MatchedFile> leaving() const;
    std::vector<std::pair<std::string, std::int64_t>> leavingByRule() const;
    std::string reason(const MatchedFile& file) const;
    std::vector<MatchedFile> files(const Uuid& ruleID) const;
    HistoryStats statsThisMonth() const;
    std::int64_t quarantinedSize() const;

    // The message of the latest configuration save that failed, empty when it worked.
    const std::string& lastSaveError() const { return configuration_.lastSaveError(); }
    // How many configuration saves have failed so far: a caller compares it before and after.
    std::uint64_t saveFailures() const { return configuration_.saveFailures(); }
    // While set, a change of the configuration that cannot be saved is taken back at once (and
    // not acted on), so that what the model holds is what the file says. Commands set it: they
    // must not report, or act on, a change that would be lost at the next start. Otherwise the
    // change stays in memory.
    void setTakeBackUnsaved(bool on) { takeBackUnsaved_ = on; }
    bool takesBackUnsaved() const { return takeBackUnsaved_; }

    // Takes up the configuration file when someone else changed it since this model last read
    // or wrote it: the new settings apply at once. One that cannot be read leaves the running
    // configuration as it is (and is kept aside); either is told through onNotice. True when
    // the configuration was taken up.
    bool reloadIfChangedOutside();
    // The file may have changed: reloadIfChangedOutside() runs once the writes have settled.
    void configurationFileChanged();
    // Adds the folders the desktop's screenshot tools save to, to the built-in screenshot
    // rules, and saves when that changed anything.
    void adoptScreenshotLocation();
    // Why the latest restore failed (the system's message).
    const std::string& lastRestoreError() const { return lastRestoreError_; }
    // The identifier of the latest sweep.
    std::optional<Uuid> lastSweepID() const { return lastSweepID_; }
    // What is wrong with the stored files, one line each for the user: a configuration that
    // could not be read (for as long as the model runs on the defaults) or a setting set aside,
    // and a damaged history until the history is next written.
    std::vector<std::string> notices() const;
    // The configuration file could not be read: the model runs on the defaults, and purges
    // nothing, since the user's own retention may be longer.
    bool configUnreadable() const { return configuration_.unreadable(); }

signals:
    void configChanged();
    void lastScanChanged();
    void quarantinedChanged();
    void historyChanged();
    void lastQuarantineChanged();
    void lastPurgeChanged();
    void lastSweepDateChanged();
    void pausedChanged();

private:
    void scheduleNext();
    void scheduleDeadlineSweep();
    void detectNewFiles();
    // True when some timer's file was gone, and its timer with it.
    bool pruneTimers();
    void ensureQuarantineDirectory();
    void updateWatchedFolders();
    void takeUp(ConfigurationReadout readout);
    // False when a journal the history could not take is still waiting.
    bool reconcileJournal();
    void removeAbandonedCopies();
    // True when the history file now holds the entries (given encoded, or not).
    bool appendHistory(const std::vector<HistoryEntry>& entries,
                       const std::string* encoded = nullptr);
    ScanReport scanRuleFolders() const;
    // The scan of the rule folders, with new files announced; true when it changed.
    bool rescan();
    // The rest of a refresh, once the rule folders are scanned.
    void refreshWith(bool scanChanged, std::vector<QuarantinedFile> quarantined);
    // Moves `toMove` into the quarantine with the journal written first, publishes the report
    // and records the moves.
    QuarantineReport moveToQuarantine(const ScanReport& toMove, const Uuid& sweepID,
                                      const std::function<void()>& afterMoves);
    // The quarantine listed on a thread of its own, from values copied now.
    std::future<std::vector<QuarantinedFile>> listQuarantineAside() const;
    // Deletes the expired files of a quarantine listing and takes them out of it.
    PurgeReport purgeListed(std::vector<QuarantinedFile>& listing);
    std::optional<std::pair<std::filesystem::path, HistoryEntry>>
    moveBack(const std::filesystem::path& url);

    void setConfig(Configuration config);
    // Applies `change` to the configuration as the file holds it now, and saves. False when
    // the save failed and the change was taken back.
    bool changeConfig(const std::function<void(Configuration&)>& change);
    // True when the report differs from the one held before.
    bool setLastScan(ScanReport report);
    void setQuarantined(std::vector<QuarantinedFile> files);
    void setLastQuarantine(QuarantineReport report);
    void setLastPurge(PurgeReport report);
    void setLastSweepDate(std::optional<Date> date);
    void setPaused(bool paused);
    // A change of the rules, then the rescan and the watched folders that follow it.
    void changeRules(const std::function<void(Configuration&)>& change);
    void notice(const std::string& line) const;

    std::filesystem::path quarantineFolder() const;
    std::vector<std::filesystem::path> excludedFolders() const;

    ConfigurationFile configuration_;
    ModelHistory history_;
    Purger purger_;
    std::shared_ptr<TrashEmptier> trashEmptier_;
    FolderWatcher* watcher_;
    AppModelServices services_;
    QuarantineScanner quarantineScanner_;
    NewFileDetector newFiles_;

    ScanReport lastScan_;
    std::vector<QuarantinedFile> quarantined_;
    QuarantineReport lastQuarantine_;
    PurgeReport lastPurge_;
    std::optional<Date> lastSweepDate_;
    bool paused_ = false;
    bool started_ = false;
    bool takeBackUnsaved_ = false;
    std::string lastRestoreError_;
    std::optional<Uuid> lastSweepID_;

    std::unique_ptr<Timer> timer_;
    std::unique_ptr<Timer> deadlineTimer_;
    std::unique_ptr<Timer> startupSweep_;
    std::unique_ptr<Timer> changeSweep_;
    std::unique_ptr<Timer> configReload_;
};

} // namespace dustlyn

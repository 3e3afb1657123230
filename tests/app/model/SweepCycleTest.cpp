#include "core/base/FileError.h"
#include "core/history/SweepJournal.h"
#include "tests/app/model/ModelFixture.h"

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

class SweepCycle : public ModelFixture {};

class FailingMover : public FileMover {
public:
    fs::path move(const fs::path&, const fs::path&, std::optional<Date>) override {
        throw FileError(EACCES, "Permission denied");
    }
};

// Nothing due: nothing moves, yet the sweep is dated; `everything` moves it all the same.
TEST_F(SweepCycle, aSweepWithNothingDueMovesNothingButIsDatedAndEverythingMovesAll) {
    makeFile("Desktop/fresh.png", 10);
    auto model = makeModel();
    int summaries = 0;
    model->onSweep = [&](const SweepSummary&) { ++summaries; };
    model->sweepNow(SweepSource::user);
    EXPECT_EQ(model->lastQuarantine(), QuarantineReport::empty());
    EXPECT_TRUE(model->history().empty());
    EXPECT_EQ(summaries, 0);
    EXPECT_EQ(model->lastSweepDate(), clock_->now());
    EXPECT_EQ(model->sweepNow(SweepSource::everything, true).first.movedCount, 1);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/fresh.png"));
}

TEST_F(SweepCycle, dueFilesMoveWithOneHistoryEntryEachSharingDateAndSweep) {
    makeFile("Desktop/a.png", 120, "aaaa");
    makeFile("Desktop/sub/b.png", 61, "bb");
    makeFile("Desktop/notes.txt", 1000);
    auto model = makeModel();
    std::optional<SweepSummary> summary;
    model->onSweep = [&](const SweepSummary& s) {
        summary = s;
        EXPECT_EQ(model->history().size(), 2u) << "whoever hears of it sees its result";
    };
    const auto [moved, purged] = model->sweepNow(SweepSource::user);
    EXPECT_EQ(moved.movedSize, 6);
    ASSERT_TRUE(summary && summary->sample);
    EXPECT_EQ(summary->movedCount, 2);
    EXPECT_TRUE(fs::exists(*summary->sample));
    const auto& history = model->history();
    ASSERT_EQ(history.size(), 2u);
    for (const auto& entry : history) {
        EXPECT_EQ(entry, (HistoryEntry{entry.id, clock_->now(), HistoryEntry::Kind::quarantined,
                                       entry.originalPath, entry.quarantinePath, entry.size,
                                       "Desktop - Pictures", summary->id}));
        EXPECT_TRUE(fs::exists(entry.quarantinePath) && !fs::exists(entry.originalPath));
    }
    EXPECT_TRUE(fs::exists(home_ / "Desktop/notes.txt"));
    // The history file holds the same, and no journal is left behind.
    EXPECT_EQ(model->historyStore().load(), history);
    EXPECT_FALSE(fs::exists(SweepJournal::besideHistory(model->historyStore()).url()));
}

TEST_F(SweepCycle, aSweepWhereEveryMoveFailsRecordsOutcomesButNoHistoryAndNoSummary) {
    makeFile("Desktop/a.png", 120);
    makeFile("Desktop/b.png", 120);
    auto model = makeModel(std::make_shared<FailingMover>());
    int summaries = 0;
    model->onSweep = [&](const SweepSummary&) { ++summaries; };
    model->sweepNow(SweepSource::user);
    EXPECT_EQ(model->lastQuarantine().failedCount, 2);
    EXPECT_EQ(model->lastQuarantine().outcomes.front().error, "Permission denied");
    EXPECT_TRUE(model->history().empty());
    EXPECT_EQ(summaries, 0);
}

TEST_F(SweepCycle, expiredQuarantinedFilesAreDeletedWithTheirOriginRecorded) {
    Configuration config = baseConfig();
    config.quarantineTTL = 3600;
    saveConfig(config);
    makeFile("Desktop/old.png", 120);
    auto model = makeModel();
    model->sweepNow(SweepSource::user);
    const std::string quarantined = model->history().back().quarantinePath;
    timers_->advance(3600);
    EXPECT_EQ(model->sweepNow(SweepSource::user).second.purgedCount, 1);
    EXPECT_FALSE(fs::exists(quarantined));
    const auto& deleted = model->history().back();
    EXPECT_EQ(deleted, (HistoryEntry{deleted.id, clock_->now(), HistoryEntry::Kind::deleted,
                                     (home_ / "Desktop/old.png").native(), quarantined, 4, "",
                                     std::nullopt}));
}

// The quarantine is walked once, after the moves: what that walk finds expired goes, and the
// rest is what the model shows.
TEST_F(SweepCycle, theQuarantineAsFoundAfterTheMovesIsPurgedAndShown) {
    Configuration config = baseConfig();
    config.quarantineTTL = 3600;
    saveConfig(config);
    writeFile(quarantine() / "expired.png");
    setModificationDate(quarantine() / "expired.png", dateAfter(clock_->now(), -7200.0));
    makeFile("Desktop/due.png", 120, "12345");
    auto model = makeModel();
    std::vector<MoveProgress> progress;
    model->onSweepProgress = [&](const MoveProgress& p) { progress.push_back(p); };
    const auto [moved, purged] = model->sweepNow(SweepSource::user);
    EXPECT_EQ(moved.movedCount, 1);
    EXPECT_EQ(purged.purgedCount, 1);
    EXPECT_FALSE(fs::exists(quarantine() / "expired.png"));
    ASSERT_EQ(model->quarantined().size(), 1u);
    EXPECT_EQ(model->quarantined().front().url, (quarantine() / "due.png").native());
    EXPECT_EQ(model->quarantined().front().quarantinedDate, clock_->now());
    EXPECT_EQ(progress, (std::vector<MoveProgress>{{1, 1, 5, 5}}));
    // Of unknown origin, it is recorded by where it lay.
    EXPECT_EQ(model->history().back().originalPath, (quarantine() / "expired.png").native());
}

// The model writes the history it holds and never reads it back: entries whose write failed
// stay held, and the journal with them, until a later write puts them on disk.
TEST_F(SweepCycle, aHistoryWriteThatFailedIsMadeWholeByTheNextAndTheJournalWaitsForIt) {
    makeFile("Desktop/a.png", 120);
    auto model = makeModel();
    const fs::path file = model->historyStore().url();
    const fs::path journal = SweepJournal::besideHistory(model->historyStore()).url();
    ASSERT_TRUE(model->history().empty()); // read while there is no file yet
    fs::create_directories(file);          // nothing can be renamed over a folder

    model->sweepNow(SweepSource::user);
    ASSERT_EQ(model->history().size(), 1u);
    EXPECT_TRUE(fs::exists(journal)) << "the journal is the only record on disk";

    fs::remove(file);
    makeFile("Desktop/b.png", 120);
    model->sweepNow(SweepSource::user);
    EXPECT_EQ(model->history().size(), 2u);
    EXPECT_EQ(model->historyStore().load(), model->history());
    EXPECT_FALSE(fs::exists(journal));
}

TEST_F(SweepCycle, theTrashIsEmptiedOnlyWhenSwitchedOnAndItsFailureIsIgnored) {
    auto model = makeModel();
    model->sweepNow(SweepSource::user);
    EXPECT_EQ(trash_->calls, 0);
    model->updateTrashAutoclean(true);
    trash_->fail = true;
    model->sweepNow(SweepSource::user);
    EXPECT_EQ(trash_->calls, 1);
    EXPECT_TRUE(model->lastSweepDate());
}

TEST_F(SweepCycle, timersOfVanishedFilesArePrunedAndOnlyThenIsTheFileRewritten) {
    Configuration config = baseConfig();
    config.timers[(home_ / "Desktop/gone.txt").native()] = dateAfter(start_, 100);
    const fs::path kept = makeFile("Desktop/kept.txt", 1);
    config.timers[kept.native()] = dateAfter(start_, 100);
    saveConfig(config);
    auto model = makeModel();
    const ConfigurationStore store = ConfigurationStore::defaultStore(folders_);
    const auto before = fs::last_write_time(store.url());
    model->refresh();
    EXPECT_EQ(fs::last_write_time(store.url()), before);
    model->sweepNow(SweepSource::user);
    config.timers.erase((home_ / "Desktop/gone.txt").native());
    EXPECT_EQ(model->config().timers, config.timers);
    EXPECT_EQ(store.load().timers, config.timers);
}

TEST_F(SweepCycle, startSweepsFiftyMillisecondsLaterAndOnlyOnce) {
    makeFile("Desktop/a.png", 120);
    auto model = makeModel();
    model->start();
    model->start();
    timers_->advance(0.049);
    EXPECT_TRUE(fs::exists(home_ / "Desktop/a.png"));
    timers_->advance(0.001);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/a.png"));
    EXPECT_EQ(timers_->repeatingPeriods(), std::vector<double>{300});
}

TEST_F(SweepCycle, theRegularTimerPeriodIsClampedToAMinuteAndADay) {
    for (const auto& [interval, period] :
         std::vector<std::pair<double, double>>{{10, 60}, {200000, 86400}, {300, 300}, {60, 60}}) {
        SCOPED_TRACE(interval);
        Configuration config = baseConfig();
        config.checkInterval = interval;
        saveConfig(config);
        auto model = makeModel();
        model->start();
        EXPECT_EQ(timers_->repeatingPeriods(), std::vector<double>{period});
        model->stop();
        EXPECT_TRUE(timers_->repeatingPeriods().empty());
    }
}

TEST_F(SweepCycle, theRegularTimerSweepsWhileStartedAndNotAfterStop) {
    Configuration config = baseConfig();
    config.checkInterval = 600;
    saveConfig(config);
    auto model = makeModel();
    model->start();
    timers_->advance(1);
    makeFile("Desktop/late.png", 700);
    timers_->advance(600);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/late.png"));
    model->stop();
    makeFile("Desktop/later.png", 700);
    timers_->advance(1200);
    EXPECT_TRUE(fs::exists(home_ / "Desktop/later.png"));
}

TEST_F(SweepCycle, aJournalLeftByACrashIsRecordedAtStartUp) {
    const fs::path origin = home_ / "Desktop/crash.png";
    const fs::path moved = quarantine() / "crash.png";
    writeFile(moved, "moved before the crash");
    const HistoryStore history(folders_.supportDirectory() / "history.json", 5000);
    const Uuid sweep = Uuid::random();
    SweepJournal::besideHistory(history).write(
        sweep, clock_->now(), {{origin, moved, "Desktop - Pictures", 22, std::nullopt}});
    auto model = makeModel();
    ASSERT_EQ(model->history().size(), 1u);
    EXPECT_EQ(std::tie(model->history().front().originalPath, model->history().front().sweepID),
              std::tie(origin.native(), sweep));
    EXPECT_FALSE(fs::exists(SweepJournal::besideHistory(history).url()));
    // And the file can be put back where it came from.
    EXPECT_EQ(model->restore(moved), origin);
}

TEST_F(SweepCycle, theScreenshotLocationIsAdoptedOnceIntoBothScreenshotRules) {
    Configuration config = Configuration::defaults(folders_);
    saveConfig(config);
    writeFile(folders_.configHome / "spectaclerc",
              "[ImageSave]\nimageSaveLocation=file://" + (home_ / "Shots").native() + "\n");
    auto model = makeModel();
    model->start();
    model->stop();
    model->start();
    for (const auto& rule : model->config().rules) {
        const auto count = std::count(rule.folders.begin(), rule.folders.end(), "~/Shots");
        EXPECT_EQ(count, rule.name == "Screenshots" || rule.name == "Screen Recordings" ? 1 : 0)
            << rule.name;
    }
    EXPECT_EQ(ConfigurationStore::defaultStore(folders_).load(), model->config());
}

} // namespace
} // namespace dustlyn::testing

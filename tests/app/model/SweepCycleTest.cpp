#include "app/model/ScreenshotLocations.h"
#include "core/base/FileError.h"
#include "core/history/SweepJournal.h"
#include "tests/app/model/ModelFixture.h"

#include <set>
#include <string>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

// The deadline tests come first: a fault in the deadline timer can set a later case spinning
// on timers that fall due at once, where these fail at once.
class Deadlines : public ModelFixture {
protected:
    // The Desktop rule with a one-hour age, so files are due exactly when the test says.
    void useRule(double checkInterval, double age = 3600) {
        configure([&](Configuration& config) {
            config.rules.front().ageThreshold = age;
            config.checkInterval = checkInterval;
        });
    }
};

TEST_F(Deadlines, aNearDeadlineArmsAOneShotWithHalfASecondOfSlackAndTheChainStops) {
    useRule(300);
    makeFile("Desktop/soon.png", 3600 - 40);
    makeFile("Desktop/later.png", 3600 - 640);
    auto model = makeModel();
    model->refresh();
    EXPECT_TRUE(timers_->pendingSingleShots().empty()) << "a stopped model arms none";
    model->start();
    timers_->advance(0.05); // the start-up sweep
    ASSERT_EQ(model->leaving().size(), 2u);
    EXPECT_EQ(fs::path(model->leaving()[0].url).filename(), "soon.png") << "soonest first";
    EXPECT_EQ(timers_->pendingSingleShots(), std::vector<double>{40.5 - 0.05});
    timers_->advance(40.45);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/soon.png"));
    // The next deadline is ten minutes away, beyond the check interval: no one-shot.
    EXPECT_TRUE(timers_->pendingSingleShots().empty());
    EXPECT_TRUE(fs::exists(home_ / "Desktop/later.png"));
}

TEST_F(Deadlines, theOneShotIsComparedWithTheConfiguredIntervalNotTheClampedPeriod) {
    for (const auto& [interval, remaining, armed] : std::vector<std::tuple<double, double, bool>>{
             {300, 400, false}, {300, 299, true}, {30, 30, false}, {30, 29, true}}) {
        SCOPED_TRACE(std::to_string(interval) + " " + std::to_string(remaining));
        useRule(interval);
        const fs::path file = makeFile("Desktop/f.png", 3600 - remaining);
        auto model = makeModel();
        model->start();
        EXPECT_EQ(timers_->pendingSingleShots().size(), armed ? 2u : 1u); // + the start-up sweep
        model->stop();
        fs::remove(file);
    }
}

TEST_F(Deadlines, aQuarantinedFileExpiringSoonWakesTheModelToDeleteIt) {
    configure([](Configuration& config) { config.quarantineTTL = 3600; });
    writeFile(quarantine() / "expiring.png");
    setModificationDate(quarantine() / "expiring.png", dateAfter(clock_->now(), -(3600 - 120)));
    auto model = makeModel();
    model->start();
    timers_->advance(0.05);
    EXPECT_EQ(timers_->pendingSingleShots(), std::vector<double>{120.5 - 0.05});
    timers_->advance(120.45);
    EXPECT_FALSE(fs::exists(quarantine() / "expiring.png"));
}

TEST_F(Deadlines, aTimerSetOnAKeptFileUnkeepsItAndItLeavesOnTime) {
    useRule(300);
    const fs::path file = makeFile("Desktop/kept.png", 10);
    auto model = makeModel();
    model->keep(file);
    model->start();
    timers_->advance(0.05);
    ASSERT_TRUE(model->setTimer(file, 2));
    EXPECT_TRUE(model->config().pins.empty());
    timers_->advance(2.0);
    EXPECT_TRUE(fs::exists(file));
    timers_->advance(0.5);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(model->config().timers.empty()); // pruned by the sweep that moved it
}

// Files present at the first scan are not news, nor files copied in with old dates, nor a
// file given a timer. An empty first scan equals the report the model starts with; it still
// counts as the first.
TEST_F(Deadlines, newFilesAreAnnouncedOnlyWhenTheyArriveRecentlyAfterTheFirstScan) {
    for (const bool emptyAtFirst : {false, true}) {
        SCOPED_TRACE(emptyAtFirst);
        useRule(300, 86400);
        fs::remove_all(home_ / "Desktop");
        fs::create_directories(home_ / "Desktop");
        if (!emptyAtFirst)
            makeFile("Desktop/present.png", 5);
        auto model = makeModel();
        std::vector<std::vector<std::string>> announced;
        model->onNewFiles = [&](const std::vector<MatchedFile>& files) {
            announced.emplace_back();
            for (const auto& file : files)
                announced.back().push_back(file.url);
        };
        model->refresh();
        model->refresh();
        timers_->advance(60);
        const fs::path fresh = makeFile("Desktop/fresh.png", 1);
        makeFile("Desktop/copied-old.png", 7200);
        model->refresh();
        model->refresh();
        model->setTimer(makeFile("Desktop/timed.txt", 1), 600);
        EXPECT_EQ(announced, std::vector<std::vector<std::string>>{{fresh.native()}});
    }
}

class SweepCycle : public ModelFixture {};

class FailingMover : public FileMover {
public:
    std::string move(const std::string&, const std::string&, std::optional<Date>) override {
        throw FileError(EACCES, "Permission denied");
    }
};

// Nothing due: nothing moves, yet the sweep is dated; `everything` moves it all the same. The
// trash is emptied only when that is switched on, and its failure fails nothing.
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
    EXPECT_EQ(trash_->calls, 0);
    model->updateTrashAutoclean(true);
    trash_->fail = true;
    EXPECT_EQ(model->sweepNow(SweepSource::everything, true).first.movedCount, 1);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/fresh.png"));
    EXPECT_EQ(trash_->calls, 1);
}

// A name already taken in the quarantine gives the file a numbered one, and its entry says so.
TEST_F(SweepCycle, dueFilesMoveWithOneHistoryEntryEachSharingDateAndSweep) {
    makeFile("Desktop/a.png", 120, "aaaa");
    makeFile("Desktop/sub/b.png", 61, "bb");
    makeFile("Desktop/notes.txt", 1000);
    writeFile(quarantine() / "a.png");
    setModificationDate(quarantine() / "a.png", clock_->now());
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
    std::set<std::string> names;
    for (const auto& entry : history) {
        names.insert(fs::path(entry.quarantinePath).filename());
        EXPECT_EQ(entry, (HistoryEntry{entry.id, clock_->now(), HistoryEntry::Kind::quarantined,
                                       entry.originalPath, entry.quarantinePath, entry.size,
                                       "Desktop - Pictures", summary->id}));
        EXPECT_TRUE(fs::exists(entry.quarantinePath) && !fs::exists(entry.originalPath));
    }
    EXPECT_EQ(names, (std::set<std::string>{"a (1).png", "b.png"}));
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
    // Their deadlines are gone by: they wait for the regular sweep and arm no timer.
    model->start();
    timers_->advance(0.05);
    EXPECT_TRUE(timers_->pendingSingleShots().empty());
}

// The quarantine is walked once, after the moves: what that walk finds expired goes, and the
// rest is what the model shows. Each deletion is recorded with the file's origin.
TEST_F(SweepCycle, theQuarantineAsFoundAfterTheMovesIsPurgedAndShown) {
    configure([](Configuration& config) { config.quarantineTTL = 3600; });
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

    timers_->advance(3600);
    EXPECT_EQ(model->sweepNow(SweepSource::user).second.purgedCount, 1);
    EXPECT_FALSE(fs::exists(quarantine() / "due.png"));
    const auto& deleted = model->history().back();
    EXPECT_EQ(deleted, (HistoryEntry{deleted.id, clock_->now(), HistoryEntry::Kind::deleted,
                                     (home_ / "Desktop/due.png").native(),
                                     (quarantine() / "due.png").native(), 5, "", std::nullopt}));
}

// The model writes the history it holds and never reads it back: entries whose write failed
// stay held, and the journal with them, until a later write puts them on disk. Meanwhile no
// sweep writes its own journal over that one.
TEST_F(SweepCycle, aHistoryWriteThatFailedIsMadeWholeByTheNextAndTheJournalWaitsForIt) {
    makeFile("Desktop/a.png", 120);
    auto model = makeModel();
    const fs::path file = model->historyStore().url();
    const SweepJournal journal = SweepJournal::besideHistory(model->historyStore());
    ASSERT_TRUE(model->history().empty()); // read while there is no file yet
    fs::create_directories(file);          // nothing can be renamed over a folder

    model->sweepNow(SweepSource::user);
    ASSERT_EQ(model->history().size(), 1u);
    ASSERT_TRUE(journal.load()) << "the journal is the only record on disk";
    const SweepJournal::Contents first = *journal.load();

    makeFile("Desktop/b.png", 120);
    const QuarantineReport refused = model->sweepNow(SweepSource::user).first;
    EXPECT_EQ(refused.failedCount, 1);
    EXPECT_EQ(refused.outcomes.at(0).error, "the history cannot be written, and the last "
                                            "sweep's moves are not on record yet");
    EXPECT_TRUE(fs::exists(home_ / "Desktop/b.png"));
    EXPECT_EQ(journal.load(), first);

    fs::remove(file);
    model->sweepNow(SweepSource::user);
    EXPECT_EQ(model->history().size(), 2u);
    EXPECT_EQ(model->historyStore().load(), model->history());
    EXPECT_FALSE(journal.load());
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

TEST_F(SweepCycle, startSweepsFiftyMillisecondsLaterOnceAndThenEachIntervalUntilStopped) {
    configure([](Configuration& config) { config.checkInterval = 600; });
    makeFile("Desktop/a.png", 120);
    auto model = makeModel();
    model->start();
    model->start();
    timers_->advance(0.049);
    EXPECT_TRUE(fs::exists(home_ / "Desktop/a.png"));
    timers_->advance(0.001);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/a.png"));
    EXPECT_EQ(timers_->repeatingPeriods(), std::vector<double>{600});
    makeFile("Desktop/late.png", 700);
    timers_->advance(600);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/late.png"));
    model->stop();
    makeFile("Desktop/later.png", 700);
    timers_->advance(1200);
    EXPECT_TRUE(fs::exists(home_ / "Desktop/later.png"));
}

TEST_F(SweepCycle, theRegularTimerPeriodIsClampedToAMinuteAndADay) {
    for (const auto& [interval, period] :
         std::vector<std::pair<double, double>>{{10, 60}, {200000, 86400}, {300, 300}, {60, 60}}) {
        SCOPED_TRACE(interval);
        configure([&](Configuration& config) { config.checkInterval = interval; });
        auto model = makeModel();
        model->start();
        EXPECT_EQ(timers_->repeatingPeriods(), std::vector<double>{period});
        model->stop();
        EXPECT_TRUE(timers_->repeatingPeriods().empty());
    }
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

// The model keeps as many entries as the history store promises, the oldest going first.
TEST_F(SweepCycle, aFullHistoryDropsItsOldestEntryForEachNewOne) {
    const HistoryStore store = HistoryStore::inFolder(folders_.supportDirectory());
    std::vector<HistoryEntry> full;
    for (std::int64_t i = 0; i < HistoryStore::defaultLimit; ++i)
        full.push_back({Uuid::random(), dateAfter(start_, -1e6 + double(i)),
                        HistoryEntry::Kind::deleted, "/gone/" + std::to_string(i),
                        "/quarantine/" + std::to_string(i), 1, "", std::nullopt});
    store.save(full);
    makeFile("Desktop/due.png", 120);
    auto model = makeModel();
    model->sweepNow(SweepSource::user);
    const auto kept = store.load();
    ASSERT_EQ(kept.size(), std::size_t(HistoryStore::defaultLimit));
    EXPECT_EQ(kept.front(), full.at(1));
    EXPECT_EQ(kept.back().originalPath, (home_ / "Desktop/due.png").native());
    EXPECT_EQ(model->history(), kept);
}

TEST(ScreenshotLocations, SpectaclesFoldersAreReadAsLocalPaths) {
    const struct {
        const char* what;
        const char* text;
        std::vector<std::string> found;
    } cases[] = {
        {"an address, %-escapes decoded, trailing slashes dropped",
         "[ImageSave]\nimageSaveLocation=file:///home/u/My%20Shots%2B//\n",
         {"/home/u/My Shots+"}},
        {"[$e] expands $HOME and ${HOME}",
         "[ImageSave]\nimageSaveLocation[$e]=file://$HOME/A\n[VideoSave]\n"
         "videoSaveLocation[$e]=${HOME}/B\n",
         {"/home/u/A", "/home/u/B"}},
        {"$HOME without [$e] is no folder", "[ImageSave]\nimageSaveLocation=file://$HOME/A\n", {}},
        {"[$e] with a variable not known here", "[ImageSave]\nimageSaveLocation[$e]=$PICS/A\n", {}},
        {"the older key, a plain path", "[Save]\ndefaultSaveLocation=/srv/shots\n", {"/srv/shots"}},
        {"a key of another group, an address that is not local, a relative path",
         "[General]\nimageSaveLocation=/x\n[ImageSave]\nimageSaveLocation=smb://h/s\n"
         "[VideoSave]\nvideoSaveLocation=Videos\n",
         {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ScreenshotLocations::fromSpectacleConfig(row.text, "/home/u"), row.found);
    }
}

} // namespace
} // namespace dustlyn::testing

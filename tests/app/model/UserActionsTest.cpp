#include "core/config/DefaultRules.h"
#include "tests/app/model/ModelFixture.h"

#include <cmath>
#include <limits>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

class UserActions : public ModelFixture {};

TEST_F(UserActions, keepRemovesTheTimerAndTakesTheFileOutOfLeaving) {
    const fs::path file = makeFile("Desktop/a.png", 10);
    auto model = makeModel();
    model->setTimer(file, 30);
    ASSERT_EQ(model->leaving().size(), 1u);
    EXPECT_EQ(model->reason(model->leaving().front()), "Your timer");
    model->keep(file);
    EXPECT_TRUE(model->leaving().empty());
    EXPECT_TRUE(model->config().timers.empty());
    EXPECT_EQ(ConfigurationStore::defaultStore(folders_).load().pins,
              std::vector<std::string>{file.native()});
    // Kept once more, under another spelling: nothing is written.
    const auto url = ConfigurationStore::defaultStore(folders_).url();
    const auto earlier = fs::last_write_time(url) - std::chrono::hours(1);
    fs::last_write_time(url, earlier);
    model->addPin("~/Desktop/./a.png");
    EXPECT_EQ(fs::last_write_time(url), earlier);
    EXPECT_EQ(model->config().pins, std::vector<std::string>{file.native()});
}

TEST_F(UserActions, restoreWithoutHistoryGoesToDownloadsAndIsKept) {
    writeFile(quarantine() / "orphan.png", "o");
    auto model = makeModel();
    EXPECT_EQ(model->restore(quarantine() / "orphan.png"), home_ / "Downloads/orphan.png");
    EXPECT_EQ(readFile(home_ / "Downloads/orphan.png"), "o");
    EXPECT_EQ(model->config().pins,
              std::vector<std::string>{(home_ / "Downloads/orphan.png").native()});
    EXPECT_EQ(model->history().back().kind, HistoryEntry::Kind::restored);
}

TEST_F(UserActions, restoreToATakenOriginRecordsAndKeepsTheNumberedName) {
    makeFile("Desktop/shot.png", 120, "first");
    auto model = makeModel();
    model->sweepNow(SweepSource::user);
    const std::string quarantined = model->history().back().quarantinePath;
    writeFile(home_ / "Desktop/shot.png", "newcomer");
    const fs::path numbered = home_ / "Desktop/shot (1).png";
    EXPECT_EQ(model->restore(quarantined), numbered);
    EXPECT_EQ(readFile(home_ / "Desktop/shot.png"), "newcomer");
    EXPECT_EQ(readFile(numbered), "first");
    EXPECT_EQ(model->history().back().originalPath, numbered.native());
    EXPECT_EQ(model->history().back().quarantinePath, quarantined);
    EXPECT_EQ(model->config().pins, std::vector<std::string>{numbered.native()});
}

TEST_F(UserActions, undoAfterAPartialPurgeRestoresWhatIsLeft) {
    makeFile("Desktop/a.png", 120);
    makeFile("Desktop/b.png", 120);
    makeFile("Desktop/c.png", 120);
    auto model = makeModel();
    model->sweepNow(SweepSource::user);
    fs::remove(model->history().front().quarantinePath);
    EXPECT_EQ(model->undo(*model->lastSweepID()).restored.size(), 2u);
    EXPECT_EQ(model->history().size(), 5u) << "three moves, two restores";
    EXPECT_EQ(model->config().pins.size(), 2u);
    EXPECT_TRUE(model->quarantined().empty());
}

// Paused, nothing leaves; resumed, it sweeps 50 ms later.
TEST_F(UserActions, updateGeneralWhileRunningRestartsTheTimerAndWhilePausedStartsNone) {
    auto model = makeModel();
    model->start();
    timers_->advance(1);
    model->updateGeneral(600.0, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(timers_->repeatingPeriods(), std::vector<double>{600});
    model->togglePaused();
    EXPECT_TRUE(model->paused());
    EXPECT_TRUE(timers_->repeatingPeriods().empty());
    model->updateGeneral(900.0, std::string("   "), -1.0, std::nullopt);
    EXPECT_TRUE(timers_->repeatingPeriods().empty());
    EXPECT_EQ(model->config().checkInterval, 900);
    EXPECT_EQ(model->config().quarantineDirectory, folders_.defaultQuarantineText());
    EXPECT_EQ(model->config().quarantineTTL, 604800);
    EXPECT_EQ(ConfigurationStore::defaultStore(folders_).load().checkInterval, 900);

    makeFile("Desktop/while-paused.png", 120);
    timers_->advance(1000);
    EXPECT_TRUE(fs::exists(home_ / "Desktop/while-paused.png"));
    model->togglePaused();
    EXPECT_FALSE(model->paused());
    timers_->advance(0.05);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/while-paused.png"));
}

// An identifier no rule has changes nothing. (The rule commands and the settings' rule
// sentences show the rest end to end.)
TEST_F(UserActions, ruleOperationsFindRulesByIdentifier) {
    auto model = makeModel();
    const Configuration before = model->config();
    model->toggleRule(Uuid::random());
    model->updateRule(PurgeRule{Uuid::random(), "x", true, {}, {}, 1, AgeBasis::modification});
    EXPECT_EQ(model->config(), before);
    model->toggleRule(ruleID_);
    EXPECT_FALSE(ConfigurationStore::defaultStore(folders_).load().rules.front().enabled);
}

// (The reason each leaving file shows, the notch's faces tell.)
TEST_F(UserActions, theBytesLeavingAreSharedByRuleLargestFirst) {
    Configuration config = baseConfig();
    PurgeRule big = desktopRule();
    big.id = Uuid::random();
    big.name = "Big";
    big.matchers = {FileMatcher::extensionMatch("bin")};
    config.rules.push_back(big);
    saveConfig(config);
    makeFile("Desktop/a.png", 120, "12");
    makeFile("Desktop/b.bin", 120, "123456");
    auto model = makeModel();
    model->refresh();
    const auto shares = model->leavingByRule();
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares.front(), std::make_pair(std::string("Big"), std::int64_t(6)));
}

TEST_F(UserActions, pathsThatAreNotUtf8AreNeverKeptOrTimed) {
    const fs::path odd = home_ / "Desktop/bad\xff.png";
    writeFile(odd);
    auto model = makeModel();
    EXPECT_FALSE(model->keep(odd));
    EXPECT_FALSE(model->setTimer(odd, 1));
    EXPECT_FALSE(model->removeNow(odd));
    EXPECT_TRUE(model->config().pins.empty());
    EXPECT_TRUE(fs::exists(odd));
}

// The model's side of the safety mends: what it refuses. (What it will not purge while the
// configuration cannot be read, what it reports when a file cannot go back, and the folder
// of its own a chosen quarantine gets, the command's and the settings' tests tell.)
TEST_F(UserActions, aQuarantineFolderHoldingTheUsersFilesIsRefusedAndTheRestApplies) {
    auto model = makeModel();
    const auto refusal = model->updateGeneral(900.0, std::string("~/Desktop"), 86400.0, true);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(*refusal, "The quarantine cannot be ~/Desktop: it is your Desktop folder. "
                        "Everything in the quarantine is deleted once it expires, so it must be "
                        "a folder of its own.");
    Configuration applied = baseConfig();
    applied.checkInterval = 900;
    applied.quarantineTTL = 86400;
    applied.emptyTrash = true;
    EXPECT_EQ(model->config(), applied);
}

// A timer, retention or interval that is no length of time is refused: a retention of 0
// would delete every quarantined file at the next sweep.
TEST_F(UserActions, whatIsNoLengthOfTimeIsRefused) {
    const fs::path file = makeFile("Desktop/a.png", 10);
    auto model = makeModel();
    const Configuration before = model->config();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double seconds : {0.0, -1.0, nan, std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(seconds);
        EXPECT_EQ(model->setTimer(file, seconds), seconds == 0.0);
        model->keep(file); // and let go again: the timer goes with it
        model->removePin(file.native());
        if (std::isfinite(seconds) || std::isnan(seconds)) {
            EXPECT_FALSE(model->updateGeneral(seconds, std::nullopt, seconds, std::nullopt));
        }
        EXPECT_EQ(model->config(), before);
    }
}

} // namespace
} // namespace dustlyn::testing

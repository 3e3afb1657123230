// The model's side of the safety mends: what it refuses, what it will not purge, and what it
// reports when a file cannot go back.
#include "tests/app/model/ModelFixture.h"

#include <cmath>
#include <limits>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

class ModelSafety : public ModelFixture {};

TEST_F(ModelSafety, aQuarantineFolderHoldingTheUsersFilesIsRefusedAndTheRestApplies) {
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

TEST_F(ModelSafety, aChosenFolderThatHoldsFilesGetsADedicatedQuarantineInside) {
    writeFile(home_ / "Attic/old letter.txt", "mine");
    auto model = makeModel();
    EXPECT_FALSE(
        model->updateGeneral(std::nullopt, std::string("~/Attic"), std::nullopt, std::nullopt));
    EXPECT_EQ(model->config().quarantineDirectory, "~/Attic/Dustlyn Quarantine");
    EXPECT_TRUE(fs::is_directory(home_ / "Attic/Dustlyn Quarantine"));
    EXPECT_TRUE(model->quarantined().empty()) << "the letter is nobody's quarantined file";
    EXPECT_EQ(ConfigurationStore::defaultStore(folders_).load().quarantineDirectory,
              "~/Attic/Dustlyn Quarantine");
}

// A timer, retention or interval that is no length of time is refused: a retention of 0
// would delete every quarantined file at the next sweep.
TEST_F(ModelSafety, whatIsNoLengthOfTimeIsRefused) {
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

// The user's retention is in the file that cannot be read; the defaults' may be shorter.
TEST_F(ModelSafety, nothingIsPurgedWhileTheConfigurationCannotBeRead) {
    writeFile(ConfigurationStore::defaultStore(folders_).url(), "{\"quarantineTTL\": 2592000,");
    writeFile(quarantine() / "ten-days.png", "still wanted");
    setModificationDate(quarantine() / "ten-days.png", dateAfter(clock_->now(), -10 * 86400.0));
    auto model = makeModel();
    EXPECT_TRUE(model->configUnreadable());
    ASSERT_EQ(model->notices().size(), 1u);
    EXPECT_EQ(model->sweepNow(SweepSource::user).second.outcomes.size(), 0u);
    EXPECT_TRUE(fs::exists(quarantine() / "ten-days.png"));
    EXPECT_FALSE(model->keep(home_ / "Desktop/x.png") && model->lastSaveError().empty())
        << "a setting cannot be saved over the damaged file";
}

TEST_F(ModelSafety, undoSaysWhichFilesCouldNotGoBackAndWhy) {
    makeFile("Desktop/a.png", 120);
    makeFile("Desktop/sub/b.png", 120);
    auto model = makeModel();
    model->sweepNow(SweepSource::user);
    ASSERT_TRUE(model->lastSweepID());
    fs::remove_all(home_ / "Desktop/sub");
    writeFile(home_ / "Desktop/sub", "in the way");
    const UndoResult undone = model->undo(*model->lastSweepID());
    EXPECT_EQ(undone.restored, std::vector<fs::path>{home_ / "Desktop/a.png"});
    EXPECT_EQ(undone.failed,
              (std::vector<RestoreFailure>{{quarantine() / "b.png", "Not a directory"}}));
    EXPECT_TRUE(fs::exists(quarantine() / "b.png"));
}

} // namespace
} // namespace dustlyn::testing

#include "core/quarantine/Purger.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileManagerMover.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::matchedFile;
using testing::RecordingDeleter;
using testing::RecordingMover;
using testing::resultOf;

const Date sweepMoment = dateFromUnix(1'750'000'000);

struct PurgerFixture : ::testing::Test {
    std::shared_ptr<RecordingMover> mover = std::make_shared<RecordingMover>();
    std::shared_ptr<RecordingDeleter> deleter = std::make_shared<RecordingDeleter>();
    Purger purger{mover, deleter};
    testing::TempDir dir{"dustlyn-purger"};
    fs::path quarantine = dir / "Quarantine";
};

using Quarantining = PurgerFixture;

// A failure is recorded and the pass goes on; progress is told after each file, moved or not.
TEST_F(Quarantining, movesEveryListedFileInOrderDatedWithTheSweepMoment) {
    mover->failing = {"/d/b.png"};
    ScanReport report;
    report.results.push_back(
        resultOf("Screenshots", {matchedFile("/d/a.png", 10), matchedFile("/d/b.png", 20)}));
    report.results.push_back(resultOf("Downloads", {matchedFile("/dl/c.zip", 300)}));
    report.matchedCount = 99; // not read
    std::vector<MoveProgress> told;
    const QuarantineReport result =
        purger.quarantine(report, quarantine, sweepMoment, {},
                          [&](const MoveProgress& progress) { told.push_back(progress); });

    const std::vector<testing::RecordedMove> expectedMoves = {
        {"/d/a.png", quarantine / "a.png", sweepMoment},
        {"/d/b.png", quarantine / "b.png", sweepMoment},
        {"/dl/c.zip", quarantine / "c.zip", sweepMoment}};
    EXPECT_EQ(mover->moves, expectedMoves);
    ASSERT_EQ(result.outcomes.size(), 3u);
    EXPECT_EQ(result.outcomes[0].original, fs::path("/d/a.png"));
    EXPECT_EQ(result.outcomes[1],
              (QuarantineOutcome{"/d/b.png", std::nullopt, false, "No such file or directory"}));
    EXPECT_EQ(result.outcomes[2],
              (QuarantineOutcome{"/dl/c.zip", quarantine / "c.zip", true, std::nullopt}));
    EXPECT_EQ(result.movedCount, 2);
    EXPECT_EQ(result.movedSize, 310);
    EXPECT_EQ(result.failedCount, 1);
    const std::vector<MoveProgress> expected = {{1, 3, 10, 330}, {2, 3, 30, 330}, {3, 3, 330, 330}};
    EXPECT_EQ(told, expected);
}

TEST_F(Quarantining, reportsWithNothingToMoveGiveTheEmptyReportAndNoPlan) {
    bool planned = false;
    const auto observe = [&](const std::vector<PlannedMove>&) { planned = true; };
    ScanReport onlyEmpty;
    onlyEmpty.results.push_back(resultOf("R", {}));
    for (const ScanReport& report : {ScanReport::empty(), onlyEmpty}) {
        EXPECT_EQ(purger.quarantine(report, quarantine, sweepMoment, observe),
                  QuarantineReport::empty());
    }
    EXPECT_FALSE(planned);
    EXPECT_TRUE(mover->moves.empty());
}

// The plan is told before any move; it holds each file's modification date as the scan read
// it, none when the scan read none.
TEST_F(Quarantining, thePlanComesFirstAndNamesTheDestinationsUsed) {
    MatchedFile dated = matchedFile("/desk/shot.png", 5);
    dated.modificationDate = dateFromUnix(1'700'000'000, 123'456'789);
    ScanReport report;
    report.results.push_back(resultOf("Screenshots", {dated, matchedFile("/pics/shot.png", 7)}));
    report.results.push_back(resultOf("Downloads", {matchedFile("/dl/notes", 9)}));
    testing::writeFile(quarantine / "notes", "already here");
    std::vector<PlannedMove> plan;
    std::size_t movesWhenPlanned = 99;
    purger.quarantine(report, quarantine, sweepMoment, [&](const std::vector<PlannedMove>& moves) {
        plan = moves;
        movesWhenPlanned = mover->moves.size();
    });

    EXPECT_EQ(movesWhenPlanned, 0u);
    const std::vector<PlannedMove> expected = {
        {"/desk/shot.png", quarantine / "shot.png", "Screenshots", 5, dated.modificationDate},
        {"/pics/shot.png", quarantine / "shot (1).png", "Screenshots", 7, std::nullopt},
        {"/dl/notes", quarantine / "notes (1)", "Downloads", 9, std::nullopt}};
    EXPECT_EQ(plan, expected);
    ASSERT_EQ(mover->moves.size(), plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i)
        EXPECT_EQ(mover->moves[i].destination, plan[i].destination);
}

// A mover that reports the numbered name it had to fall back to.
class DivertingMover : public FileMover {
public:
    fs::path move(const fs::path&, const fs::path& destination, std::optional<Date>) override {
        return destination.parent_path() / "elsewhere.png";
    }
};

TEST_F(Quarantining, theOutcomeNamesWhereTheMoverActuallyPutTheFile) {
    const Purger diverted(std::make_shared<DivertingMover>(), deleter);
    ScanReport report;
    report.results.push_back(resultOf("R", {matchedFile("/d/a.png", 1)}));
    const auto result = diverted.quarantine(report, quarantine, sweepMoment);
    ASSERT_EQ(result.outcomes.size(), 1u);
    EXPECT_EQ(result.outcomes[0].quarantined, quarantine / "elsewhere.png");
}

TEST_F(Quarantining, whatThePlanObserverThrowsStopsEveryMove) {
    ScanReport report;
    report.results.push_back(resultOf("R", {matchedFile("/d/a.png", 1)}));
    EXPECT_THROW(purger.quarantine(report, quarantine, sweepMoment,
                                   [](const auto&) { throw FileError::fromErrno(ENOSPC); }),
                 FileError);
    EXPECT_TRUE(mover->moves.empty());
}

// Where a sweep's plan puts `file`, from its one reading of `folder`: the same name that
// uniqueDestination finds by looking at each candidate.
fs::path plannedDestination(const fs::path& folder, const fs::path& file) {
    const Purger purger(std::make_shared<RecordingMover>(), std::make_shared<RecordingDeleter>());
    ScanReport report;
    report.results.push_back(resultOf("R", {matchedFile(file, 1)}));
    fs::path planned;
    purger.quarantine(report, folder, sweepMoment, [&](const std::vector<PlannedMove>& plan) {
        planned = plan.at(0).destination;
    });
    return planned;
}

TEST(UniqueDestination, numbersTheNameBeforeItsExtension) {
    testing::TempDir dir("dustlyn-unique");
    struct Case {
        const char* behaviour;
        std::vector<std::string> existing;
        std::string file;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a free name is used as it is", {}, "photo.png", "photo.png"},
        {"a taken name gets (1)", {"photo.png"}, "photo.png", "photo (1).png"},
        {"numbers count up from the unchanged name",
         {"photo.png", "photo (1).png"},
         "photo.png",
         "photo (2).png"},
        {"a name without extension is numbered at its end", {"notes"}, "notes", "notes (1)"},
        {"only the last dot starts the extension",
         {"a.tar.gz", "a.tar (1).gz"},
         "a.tar.gz",
         "a.tar (2).gz"},
        {"a leading dot starts no extension", {".bashrc"}, ".bashrc", ".bashrc (1)"},
        {"a hidden name can still have an extension",
         {".config.json"},
         ".config.json",
         ".config (1).json"},
        {"a trailing dot starts no extension", {"odd."}, "odd.", "odd. (1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const fs::path folder = dir / std::to_string(&c - cases.data());
        fs::create_directories(folder);
        for (const auto& name : c.existing)
            testing::writeFile(folder / name);
        EXPECT_EQ(Purger::uniqueDestination(folder, fs::path("/some/where") / c.file),
                  folder / c.expected);
        EXPECT_EQ(plannedDestination(folder, fs::path("/some/where") / c.file),
                  folder / c.expected);
    }
}

// The longest name the file system takes is 255 bytes; numbering such a name must not make
// it longer, or the file could never leave.
TEST(UniqueDestination, aNumberedNameTooLongForTheFolderIsShortenedToFit) {
    testing::TempDir dir("dustlyn-unique");
    std::string accents; // é is two bytes
    for (int i = 0; i < 126; ++i)
        accents += "\xC3\xA9";
    struct Case {
        const char* behaviour;
        std::string file;
        std::vector<std::string> existing;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"the stem gives way to the number and the extension",
         std::string(251, 'a') + ".txt",
         {std::string(251, 'a') + ".txt"},
         std::string(247, 'a') + " (1).txt"},
        {"a character is never cut in two",
         accents.substr(0, 250) + "b.txt",
         {accents.substr(0, 250) + "b.txt"},
         accents.substr(0, 246) + " (1).txt"},
        {"a name without extension loses its end",
         std::string(255, 'n'),
         {std::string(255, 'n')},
         std::string(251, 'n') + " (1)"},
        {"an extension leaving no room for the stem is cut as part of the name",
         "a." + std::string(253, 'x'),
         {"a." + std::string(253, 'x')},
         "a." + std::string(249, 'x') + " (1)"},
        {"later numbers shorten further when they need to",
         std::string(251, 'a') + ".txt",
         {std::string(251, 'a') + ".txt", std::string(247, 'a') + " (1).txt",
          std::string(247, 'a') + " (2).txt", std::string(247, 'a') + " (3).txt",
          std::string(247, 'a') + " (4).txt", std::string(247, 'a') + " (5).txt",
          std::string(247, 'a') + " (6).txt", std::string(247, 'a') + " (7).txt",
          std::string(247, 'a') + " (8).txt", std::string(247, 'a') + " (9).txt"},
         std::string(246, 'a') + " (10).txt"},
        {"a name longer than the folder takes is never free",
         std::string(300, 'z') + ".txt",
         {},
         std::string(251 - 4, 'z') + " (1).txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const fs::path folder = dir / std::to_string(&c - cases.data());
        fs::create_directories(folder);
        for (const auto& name : c.existing)
            testing::writeFile(folder / name);
        const fs::path chosen = Purger::uniqueDestination(folder, fs::path("/d") / c.file);
        EXPECT_EQ(chosen, folder / c.expected);
        EXPECT_EQ(plannedDestination(folder, fs::path("/d") / c.file), folder / c.expected);
        EXPECT_LE(chosen.filename().native().size(), 255u);
    }
}

TEST(UniqueDestination, anyKindOfItemCountsAsTaken) {
    testing::TempDir dir("dustlyn-unique");
    fs::create_directory(dir / "report.pdf");                    // a folder
    fs::create_symlink(dir / "nowhere", dir / "report (1).pdf"); // a dangling link
    EXPECT_EQ(Purger::uniqueDestination(dir.path(), "/x/report.pdf"), dir / "report (2).pdf");
    EXPECT_EQ(plannedDestination(dir.path(), "/x/report.pdf"), dir / "report (2).pdf");
}

using PurgingExpiredFiles = PurgerFixture;

TEST_F(PurgingExpiredFiles, eachFileInOrderWithFailuresRecordedAndSizesAsListed) {
    const auto first = matchedFile(quarantine / "a.png", 100);
    const auto second = matchedFile(quarantine / "b.png", 250);
    deleter->failing = {second.url};
    const PurgeReport report = purger.deleteFiles({first, second});

    EXPECT_EQ(deleter->deleted, (std::vector<fs::path>{first.url, second.url}));
    ASSERT_EQ(report.outcomes.size(), 2u);
    EXPECT_EQ(report.outcomes[0], (PurgeOutcome{first, true, std::nullopt}));
    EXPECT_EQ(report.outcomes[1], (PurgeOutcome{second, false, "Permission denied"}));
    EXPECT_EQ(report.purgedCount, 1);
    EXPECT_EQ(report.purgedSize, 100);
    EXPECT_EQ(report.failedCount, 1);
    EXPECT_EQ(purger.deleteFiles({}), PurgeReport::empty());
}

struct Restoring : ::testing::Test {
    testing::TempDir dir{"dustlyn-restore"};
    Purger purger{std::make_shared<FileManagerMover>(), std::make_shared<RecordingDeleter>()};
    fs::path quarantined = dir / "Quarantine/shot.png";
    Date quarantineDate = dateFromUnix(1'700'000'000);

    void SetUp() override {
        testing::writeFile(quarantined, "pixels");
        testing::setModificationDate(quarantined, quarantineDate);
    }
};

TEST_F(Restoring, toAFreePathPutsItThereKeepsItsDateAndRecreatesFoldersGoneMeanwhile) {
    const fs::path target = dir / "Gone/Deeper/shot.png";
    EXPECT_EQ(purger.restore(quarantined, target), target);
    EXPECT_EQ(testing::readFile(target), "pixels");
    EXPECT_EQ(testing::modificationDate(target), quarantineDate);
    EXPECT_FALSE(fs::exists(quarantined));
}

TEST_F(Restoring, whenTheNameReappearedUsesTheNumberedName) {
    const fs::path target = dir / "Desktop/shot.png";
    testing::writeFile(target, "newer");
    EXPECT_EQ(purger.restore(quarantined, target), dir / "Desktop/shot (1).png");
    EXPECT_EQ(testing::readFile(target), "newer");
    EXPECT_EQ(testing::readFile(dir / "Desktop/shot (1).png"), "pixels");
}

TEST_F(Restoring, failsWithTheSystemsMessageAndLeavesTheFileInQuarantine) {
    testing::writeFile(dir / "blocker", "a file where a folder should be");
    try {
        purger.restore(quarantined, dir / "blocker/shot.png");
        FAIL() << "restore succeeded";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Not a directory");
    }
    EXPECT_EQ(testing::readFile(quarantined), "pixels");
}

} // namespace
} // namespace dustlyn

#include "core/quarantine/Purger.h"
#include "core/base/FileError.h"
#include "core/base/JsonText.h"
#include "core/quarantine/FileManagerMover.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

using RecordedMove = std::tuple<fs::path, fs::path, std::optional<Date>>;

// Records every move and fails those whose source is listed, touching no file. It answers
// that it put the file under "moved NAME", as a mover falling back to another name would.
struct RecordingMover : FileMover {
    std::string move(const std::string& source, const std::string& to,
                     std::optional<Date> dated) override {
        moves.emplace_back(source, to, dated);
        if (failing.contains(source))
            throw FileError::fromErrno(ENOENT);
        const fs::path destination = to;
        return destination.parent_path() / ("moved " + destination.filename().native());
    }

    std::set<fs::path> failing;
    std::vector<RecordedMove> moves;
};

struct RecordingDeleter : FileDeleter {
    void deleteItem(const fs::path& item) override {
        deleted.push_back(item);
        if (failing.contains(item))
            throw FileError::fromErrno(EACCES);
    }

    std::set<fs::path> failing;
    std::vector<fs::path> deleted;
};

MatchedFile matchedFile(const fs::path& url, std::int64_t size) {
    return MatchedFile(url, size, dateFromUnix(1'700'000'000), Uuid::random(), true);
}

ScanResult resultOf(const std::string& ruleName, std::vector<MatchedFile> files) {
    ScanResult result;
    result.rule.name = ruleName;
    result.files = std::move(files);
    return result;
}

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
// The outcome names where the mover says it put the file (the recording mover answers with
// another name than the one asked for).
TEST_F(Quarantining, movesEveryListedFileInOrderDatedWithTheSweepMoment) {
    mover->failing = {"/d/b.png"};
    ScanReport report;
    report.results.push_back(
        resultOf("Screenshots", {matchedFile("/d/a.png", 10), matchedFile("/d/b.png", 20)}));
    report.results.push_back(resultOf("Downloads", {matchedFile("/dl/c.zip", 300)}));
    std::vector<MoveProgress> told;
    const QuarantineReport result =
        purger.quarantine(report, quarantine, sweepMoment, {},
                          [&](const MoveProgress& progress) { told.push_back(progress); });

    EXPECT_EQ(mover->moves,
              (std::vector<RecordedMove>{{"/d/a.png", quarantine / "a.png", sweepMoment},
                                         {"/d/b.png", quarantine / "b.png", sweepMoment},
                                         {"/dl/c.zip", quarantine / "c.zip", sweepMoment}}));
    EXPECT_EQ(result.outcomes, (std::vector<QuarantineOutcome>{
                                   {"/d/a.png", quarantine / "moved a.png", true, std::nullopt},
                                   {"/d/b.png", std::nullopt, false, "No such file or directory"},
                                   {"/dl/c.zip", quarantine / "moved c.zip", true, std::nullopt}}));
    EXPECT_EQ(std::tuple(result.movedCount, result.movedSize, result.failedCount),
              std::tuple(2, 310, 1));
    EXPECT_EQ(told,
              (std::vector<MoveProgress>{{1, 3, 10, 330}, {2, 3, 30, 330}, {3, 3, 330, 330}}));
}

// Nothing to move gives the empty report and no plan; what the plan observer throws stops
// every move.
TEST_F(Quarantining, reportsWithNothingToMoveGiveTheEmptyReportAndNoPlan) {
    ScanReport report;
    report.results.push_back(resultOf("R", {}));
    const auto refuse = [](const auto&) { throw FileError::fromErrno(ENOSPC); };
    EXPECT_EQ(purger.quarantine(report, quarantine, sweepMoment, refuse),
              QuarantineReport::empty());
    report.results.push_back(resultOf("R", {matchedFile("/d/a.png", 1)}));
    EXPECT_THROW(purger.quarantine(report, quarantine, sweepMoment, refuse), FileError);
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
    EXPECT_EQ(plan, (std::vector<PlannedMove>{
                        {"/desk/shot.png", quarantine / "shot.png", "Screenshots", 5,
                         dated.modificationDate},
                        {"/pics/shot.png", quarantine / "shot (1).png", "Screenshots", 7, {}},
                        {"/dl/notes", quarantine / "notes (1)", "Downloads", 9, std::nullopt}}));
    EXPECT_EQ(std::get<1>(mover->moves.at(2)), plan[2].destination);
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

// The longest name the file system takes is 255 bytes; numbering such a name must not make
// it longer, or the file could never leave. Any kind of item (a folder, a dangling link)
// counts as taken.
TEST(UniqueDestination, numbersTheNameBeforeItsExtensionAndShortensItToFit) {
    testing::TempDir dir("dustlyn-unique");
    std::string accents; // é is two bytes
    for (int i = 0; i < 126; ++i)
        accents += "\xC3\xA9";
    const std::string a247(247, 'a');
    struct Case {
        std::string file;
        std::vector<std::string> existing;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"photo.png", {}, "photo.png"},
        {"photo.png", {"photo.png"}, "photo (1).png"},
        {"notes", {"notes"}, "notes (1)"},
        {"a.tar.gz", {"a.tar.gz", "a.tar (1).gz"}, "a.tar (2).gz"},
        {".bashrc", {".bashrc"}, ".bashrc (1)"},
        {"odd.", {"odd."}, "odd. (1)"},
        {std::string(251, 'a') + ".txt", {std::string(251, 'a') + ".txt"}, a247 + " (1).txt"},
        {accents.substr(0, 250) + "b.txt",
         {accents.substr(0, 250) + "b.txt"},
         accents.substr(0, 246) + " (1).txt"},
        {"a." + std::string(253, 'x'),
         {"a." + std::string(253, 'x')},
         "a." + std::string(249, 'x') + " (1)"},
        {std::string(251, 'a') + ".txt",
         {std::string(251, 'a') + ".txt", a247 + " (1).txt", a247 + " (2).txt", a247 + " (3).txt",
          a247 + " (4).txt", a247 + " (5).txt", a247 + " (6).txt", a247 + " (7).txt",
          a247 + " (8).txt", a247 + " (9).txt"},
         std::string(246, 'a') + " (10).txt"},
        {std::string(300, 'z') + ".txt", {}, std::string(247, 'z') + " (1).txt"},
        {"report.pdf", {"report.pdf/", "report (1).pdf@"}, "report (2).pdf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const fs::path folder = dir / std::to_string(&c - cases.data());
        fs::create_directories(folder);
        for (const auto& name : c.existing) {
            if (name.ends_with('/'))
                fs::create_directory(folder / name);
            else if (name.ends_with('@'))
                fs::create_symlink(dir / "nowhere", folder / name.substr(0, name.size() - 1));
            else
                testing::writeFile(folder / name);
        }
        EXPECT_EQ(Purger::uniqueDestination(folder, fs::path("/d") / c.file), folder / c.expected);
        EXPECT_EQ(plannedDestination(folder, fs::path("/d") / c.file), folder / c.expected);
    }
}

TEST_F(PurgerFixture, deletesEachFileInOrderWithFailuresRecordedAndSizesAsListed) {
    const auto first = matchedFile(quarantine / "a.png", 100);
    const auto second = matchedFile(quarantine / "b.png", 250);
    deleter->failing = {second.url};
    const PurgeReport report = purger.deleteFiles({first, second});
    EXPECT_EQ(deleter->deleted, (std::vector<fs::path>{first.url, second.url}));
    EXPECT_EQ(report.outcomes, (std::vector<PurgeOutcome>{{first, true, std::nullopt},
                                                          {second, false, "Permission denied"}}));
    EXPECT_EQ(std::tuple(report.purgedCount, report.purgedSize, report.failedCount),
              std::tuple(1, 100, 1));
}

// Folders gone meanwhile are made again; a name that reappeared gets the numbered name; a
// failure leaves the file in the quarantine.
TEST(Restoring, putsItBackWithItsDateBesideANameThatReappeared) {
    testing::TempDir dir("dustlyn-restore");
    const Purger purger(std::make_shared<FileManagerMover>(), nullptr);
    const fs::path quarantined = dir / "Quarantine/shot.png";
    const Date quarantineDate = dateFromUnix(1'700'000'000);
    testing::writeFile(quarantined, "pixels");
    testing::setModificationDate(quarantined, quarantineDate);
    const fs::path target = dir / "Gone/Deeper/shot.png";
    testing::writeFile(target, "newer");
    EXPECT_EQ(purger.restore(quarantined, target), dir / "Gone/Deeper/shot (1).png");
    EXPECT_EQ(testing::readFile(target), "newer");
    EXPECT_EQ(testing::readFile(dir / "Gone/Deeper/shot (1).png"), "pixels");
    EXPECT_EQ(testing::modificationDate(dir / "Gone/Deeper/shot (1).png"), quarantineDate);
    testing::writeFile(quarantined, "again");
    EXPECT_EQ(purger.restore(quarantined, dir / "New/shot.png"), dir / "New/shot.png");
    testing::writeFile(quarantined, "third");
    testing::writeFile(dir / "blocker", "a file where a folder should be");
    try {
        purger.restore(quarantined, dir / "blocker/shot.png");
        ADD_FAILURE() << "restore succeeded";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Not a directory");
    }
    EXPECT_EQ(testing::readFile(quarantined), "third");
}

TEST(QuarantineJson, anOutcomeHasEitherItsDestinationOrItsError) {
    QuarantineReport report;
    report.outcomes = {{"/d/a.png", std::filesystem::path("/q/a.png"), true, std::nullopt},
                       {"/d/b.png", std::nullopt, false, "Permission denied"}};
    report.movedCount = 1;
    report.movedSize = 12;
    report.failedCount = 1;
    EXPECT_EQ(writeCompactJson(toJson(report)),
              R"({"outcomes":[{"original":"\/d\/a.png","quarantined":"\/q\/a.png","success":true},)"
              R"({"original":"\/d\/b.png","success":false,"error":"Permission denied"}],)"
              R"("movedCount":1,"movedSize":12,"failedCount":1})");
}

} // namespace
} // namespace dustlyn

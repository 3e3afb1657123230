#include "core/quarantine/Purger.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileManagerMover.h"
#include "core/quarantine/QuarantineScanner.h"
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
        {"photo.png", {"photo.png"}, "photo (1).png"},
        {"a.tar.gz", {"a.tar.gz", "a.tar (1).gz"}, "a.tar (2).gz"},
        {".bashrc", {".bashrc"}, ".bashrc (1)"},
        {std::string(251, 'a') + ".txt", {std::string(251, 'a') + ".txt"}, a247 + " (1).txt"},
        {accents.substr(0, 250) + "b.txt",
         {accents.substr(0, 250) + "b.txt"},
         accents.substr(0, 246) + " (1).txt"},
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
    EXPECT_EQ(toJson(report).dump(),
              R"({"outcomes":[{"original":"/d/a.png","quarantined":"/q/a.png","success":true},)"
              R"({"original":"/d/b.png","success":false,"error":"Permission denied"}],)"
              R"("movedCount":1,"movedSize":12,"failedCount":1})");
}

// The quarantine's listing: the moment each file entered it is its modification date.
constexpr double week = 604800;

template <class File> std::vector<fs::path> urlsOf(const std::vector<File>& files) {
    std::vector<fs::path> urls;
    for (const auto& file : files)
        urls.push_back(file.url);
    return urls;
}

struct ListingTheQuarantine : ::testing::Test {
    void put(const std::string& name, Date quarantined, const std::string& content = "x") {
        testing::writeFile(folder / name, content);
        testing::setModificationDate(folder / name, quarantined);
    }

    testing::TempDir dir{"dustlyn-qscan"};
    fs::path folder = dir / "Quarantine";
    QuarantineScanner scanner;
};

TEST_F(ListingTheQuarantine, describesEachFileFromItsModificationDateAndAMissingFolderAsEmpty) {
    testing::writeFile(dir / "a-file", "not a folder");
    for (const fs::path& place : {folder, dir / "a-file"})
        EXPECT_TRUE(scanner.scanAll(place, week, sweepMoment).empty());
    const Date entered = dateFromUnix(1'749'900'000);
    put("shot.png", entered, "12345");
    const auto files = scanner.scanAll(folder, week, sweepMoment);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], (QuarantinedFile{files[0].id, folder / "shot.png", 5, entered,
                                         dateAfter(entered, week), false}));
    EXPECT_DOUBLE_EQ(files[0].secondsUntilExpiry(sweepMoment), week - 100'000);
}

// Hidden files (partial copies among them), links and folders are never listed; files in
// sub-folders are, with paths resolved through a linked quarantine folder.
TEST_F(ListingTheQuarantine, hiddenFilesLinksAndFoldersAreNeverListedButFilesInSubFoldersAre) {
    const Date old = dateFromUnix(1'000'000'000);
    put(".dustlyn-partial-ABC", old);
    put(".hidden-folder/inside.txt", old);
    put("sub/deeper/inner.txt", old);
    fs::create_symlink(folder / "sub/deeper/inner.txt", folder / "link.txt");
    fs::create_directory_symlink(folder, dir / "linked");
    const std::vector<fs::path> expected{folder / "sub/deeper/inner.txt"};
    EXPECT_EQ(urlsOf(scanner.scanAll(dir / "linked", week, sweepMoment)), expected);
}

TEST_F(ListingTheQuarantine, soonestExpiryFirst) {
    put("a.txt", dateFromUnix(1'749'600'000));
    put("b.txt", dateFromUnix(1'749'400'000));
    put("c.txt", dateFromUnix(1'749'500'000));
    EXPECT_EQ(urlsOf(scanner.scanAll(folder, week, sweepMoment)),
              (std::vector<fs::path>{folder / "b.txt", folder / "c.txt", folder / "a.txt"}));
}

// With no retention everything has expired on arrival, but for a file dated in the future.
TEST_F(ListingTheQuarantine, expiresExactlyWhenTheRetentionHasPassed) {
    put("due.txt", dateAfter(sweepMoment, -week));
    put("almost.txt", dateAfter(sweepMoment, -week + 1));
    put("now.txt", sweepMoment);
    put("future.txt", dateAfter(sweepMoment, 3600));
    const auto expired = QuarantineScanner::expired(scanner.list(folder, week, sweepMoment));
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0], MatchedFile(folder / "due.txt", 1, dateAfter(sweepMoment, -week),
                                      expired[0].ruleID, true, dateAfter(sweepMoment, -week)));
    for (const auto& file : scanner.scanAll(folder, week, sweepMoment))
        EXPECT_EQ(file.isExpired, file.url.ends_with("/due.txt")) << file.url;
    for (const auto& file : scanner.scanAll(folder, 0, sweepMoment)) {
        SCOPED_TRACE(file.url);
        const bool future = file.url.ends_with("/future.txt");
        EXPECT_EQ(file.isExpired, !future);
        EXPECT_EQ(file.expiresDate, file.quarantinedDate);
        EXPECT_EQ(file.secondsUntilExpiry(sweepMoment) > 0, future);
    }
    EXPECT_EQ(QuarantineScanner::expired(scanner.list(folder, 0, sweepMoment)).size(), 3u);
}

} // namespace
} // namespace dustlyn

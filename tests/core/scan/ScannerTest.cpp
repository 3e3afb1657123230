#include "core/scan/Scanner.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::setModificationDate;
using testing::TempDir;
using testing::TestMount;
using testing::writeFile;

using Paths = std::vector<std::string>;

const FileMatcher screenshots = FileMatcher::glob("Screenshot*.png");

// A rule with a fresh identifier; age in seconds.
PurgeRule makeRule(std::string name, std::vector<std::string> folders,
                   std::vector<FileMatcher> matchers, double age = 3600,
                   AgeBasis basis = AgeBasis::modification) {
    return PurgeRule{
        Uuid::random(), std::move(name), true, std::move(folders), std::move(matchers), age, basis};
}

PurgeRule anyFileRule(std::vector<std::string> folders, double age = 3600) {
    return makeRule("Any", std::move(folders), {FileMatcher::anyFile()}, age);
}

Paths pathsOf(const ScanResult& result) {
    Paths paths;
    for (const auto& file : result.files)
        paths.push_back(file.url);
    return paths;
}

// Every file path of the report, in report order.
Paths pathsOf(const ScanReport& report) {
    Paths paths;
    for (const auto& result : report.results)
        for (const auto& file : result.files)
            paths.push_back(file.url);
    return paths;
}

Paths sorted(Paths paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The birth time statx reports for `file`, or nothing when its file system keeps none.
std::optional<Date> birthTime(const fs::path& file) {
    struct statx info {};
    if (statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &info) != 0 ||
        !(info.stx_mask & STATX_BTIME))
        return std::nullopt;
    return dateFromUnix(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
}

// A home folder with a Desktop and a watched folder, scanned at a fixed moment.
class ScannerTest : public ::testing::Test {
protected:
    ScanReport scan(const std::vector<PurgeRule>& rules, const std::set<fs::path>& pins = {},
                    const std::map<fs::path, Date>& timers = {}) const {
        return Scanner(temp.path(), {temp / "Quarantine"}).scan(rules, pins, timers, now);
    }
    // An any-file rule on each of `folders`.
    ScanReport scanFolders(const std::vector<fs::path>& folders,
                           const std::vector<fs::path>& excluded = {}) const {
        std::vector<PurgeRule> rules;
        for (const auto& folder : folders)
            rules.push_back(anyFileRule({folder.native()}));
        return Scanner(temp.path(), excluded).scan(rules, {}, {}, now);
    }
    Paths found(const fs::path& folder, const std::vector<fs::path>& excluded = {}) const {
        return sorted(pathsOf(scanFolders({folder}, excluded)));
    }

    std::string file(const std::string& relative, Date modified) const {
        writeFile(temp / relative);
        setModificationDate(temp / relative, modified);
        return (temp / relative).native();
    }
    std::string desktopFile(const std::string& name) const { return file("Desktop/" + name, old); }
    std::string path(const std::string& relative) const { return (watched / relative).native(); }

    TempDir temp{"dustlyn-scan"};
    const fs::path watched = temp / "watched";
    const Date now = dateFromUnix(1'800'000'000);
    const Date old = dateFromUnix(1'700'000'000);
};

using ScannerClaims = ScannerTest;
using ScannerWalk = ScannerTest;

// The first rule to accept a file takes it; a rule left with nothing has no result, a disabled
// one takes nothing, and a kept file is listed by no rule.
TEST_F(ScannerClaims, theFirstOfTwoRulesOnOneFolderTakesTheFilesBothAccept) {
    const auto shot = desktopFile("Screenshot 1.png");
    const auto notes = desktopFile("notes.txt");
    const auto kept = desktopFile("Screenshot 2.png");
    const auto first = makeRule("Shots", {"~/Desktop"}, {screenshots});
    const auto second = anyFileRule({"~/Desktop"});
    auto report = scan({first, second}, {kept});
    ASSERT_EQ(report.results.size(), 2u);
    EXPECT_EQ(report.results[0].rule, first);
    EXPECT_EQ(report.results[0].folder, "~/Desktop");
    EXPECT_EQ(pathsOf(report.results[0]), Paths{shot});
    EXPECT_EQ(report.results[0].files[0].ruleID, first.id);
    EXPECT_EQ(pathsOf(report.results[1]), Paths{notes});
    EXPECT_EQ(report.matchedCount, 2);
    EXPECT_EQ(report.totalSize, 2); // one byte each
    report = scan({second, first}, {kept});
    ASSERT_EQ(report.results.size(), 1u);
    auto disabled = second;
    disabled.enabled = false;
    EXPECT_EQ(scan({disabled, first}).results.at(0).rule, first);
    EXPECT_EQ(scan({disabled}), ScanReport{});
}

// The walk reads a file only when a rule on the folder accepts its name, but it enters every
// folder whatever the rules accept, for the other rules and the folders listed inside.
TEST_F(ScannerClaims, aRuleThatAcceptsNoNameStillLetsTheWalkIntoFolders) {
    const auto top = desktopFile("top.png");
    const auto deep = desktopFile("a/b/deep.png");
    const auto notes = desktopFile("a/notes.txt");
    const struct {
        const char* what;
        std::vector<FileMatcher> matchers;
    } nothings[] = {{"no matchers", {}},
                    {"a glob no name fits", {FileMatcher::glob("*.nothing")}},
                    {"an extension no name has", {FileMatcher::extensionMatch("none")}}};
    const auto pictures = makeRule("Pictures", {"~/Desktop"}, {FileMatcher::extensionMatch("png")});
    const auto inner = anyFileRule({"~/Desktop/a"});
    for (const auto& kind : nothings) {
        SCOPED_TRACE(kind.what);
        const auto nothing = makeRule("Nothing", {"~/Desktop"}, kind.matchers);
        EXPECT_TRUE(scan({nothing}).results.empty());
        auto report = scan({nothing, pictures});
        ASSERT_EQ(report.results.size(), 1u);
        EXPECT_EQ(report.results[0].rule, pictures);
        EXPECT_EQ(sorted(pathsOf(report)), sorted({top, deep}));
        report = scan({nothing, inner});
        ASSERT_EQ(report.results.size(), 1u);
        EXPECT_EQ(sorted(pathsOf(report)), sorted({deep, notes}));
    }
}

// A folder listed twice yields its files once, a missing one no result; one reached through a
// link lists resolved paths under the text as written.
TEST_F(ScannerClaims, aFolderListedTwiceOrReachedThroughALinkYieldsItsFilesOnce) {
    const auto notes = desktopFile("notes.txt");
    fs::create_directory_symlink(temp / "Desktop", temp / "Alias");
    const std::string alias = (temp / "Alias").native();
    const auto report =
        scan({anyFileRule({"~/Missing", alias, "", "~/Desktop"}), anyFileRule({"~/Desktop"})});
    ASSERT_EQ(report.results.size(), 1u);
    EXPECT_EQ(report.results[0].folder, alias);
    EXPECT_EQ(pathsOf(report), Paths{notes});
}

TEST_F(ScannerClaims, aFileInsideAnotherRulesFolderIsClaimedOnceWhicheverWalksFirst) {
    const auto inner = file("Pictures/Screenshots/Screenshot 1.png", old);
    const auto outer = file("Pictures/Screenshot 2.png", old);
    const auto shots = makeRule("Shots", {"~/Pictures/Screenshots"}, {screenshots});
    const auto pictures = anyFileRule({"~/Pictures"});
    EXPECT_EQ(pathsOf(scan({shots, pictures})), (Paths{inner, outer}));
    EXPECT_EQ(sorted(pathsOf(scan({pictures, shots}))), sorted({inner, outer}));
}

TEST_F(ScannerClaims, resultsFollowRuleOrderThenFolderOrderThenTheTimerGroup) {
    const auto a = file("A/Screenshot a.png", old);
    const auto b = file("B/Screenshot b.png", old);
    const auto c = file("C/c.txt", old);
    const auto timed = file("Elsewhere/t.txt", old);
    const auto first = makeRule("Shots", {"~/B", "~/A"}, {screenshots});
    const auto second = anyFileRule({"~/C", "~/B"});
    const auto report = scan({first, second}, {}, {{timed, now}});
    ASSERT_EQ(report.results.size(), 4u);
    EXPECT_EQ(report.results[1].folder, "~/A");
    EXPECT_EQ(pathsOf(report), (Paths{b, a, c, timed}));
}

// The age, a timer and `now` decide the deadline and due-ness.
TEST_F(ScannerClaims, deadlinesComeFromTheAgeUnlessATimerOverridesItEitherWay) {
    const struct {
        const char* behaviour;
        double modifiedAgo;
        std::optional<double> timerIn; // seconds from now
        double expectedDeadlineIn;
        bool expectedDue;
    } rows[] = {
        {"younger than the age is watched", 100, {}, 3500, false},
        {"older than the age is due", 4000, {}, -400, true},
        {"an earlier timer makes a young file due", 100, -1, -1, true},
        {"a later timer keeps an old file", 4000, 60, 60, false},
        {"a timer at this very moment is due", 100, 0, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const Date modified = dateAfter(now, -row.modifiedAgo);
        const auto path = file("Desktop/f.txt", modified);
        std::map<fs::path, Date> timers;
        if (row.timerIn)
            timers[path] = dateAfter(now, *row.timerIn);
        const auto rule = anyFileRule({"~/Desktop"}, 3600);
        const auto report = scan({rule}, {}, timers);
        ASSERT_EQ(report.results.size(), 1u); // a timed file a rule takes is listed once
        ASSERT_EQ(report.results[0].files.size(), 1u);
        const MatchedFile& listed = report.results[0].files[0];
        EXPECT_EQ(listed.ageBasisDate, modified);
        EXPECT_EQ(listed.deadline, dateAfter(now, row.expectedDeadlineIn));
        EXPECT_EQ(listed.isEligible, row.expectedDue);
    }
}

TEST_F(ScannerClaims, timedFilesNoRuleTakesFormTheLastGroupSoonestFirst) {
    const auto late = file("Elsewhere/late.txt", old);
    const auto early = file("Elsewhere/early.txt", dateAfter(old, 5));
    const auto unmatched = desktopFile("other.bin");
    const auto claimed = desktopFile("Screenshot 1.png");
    const auto kept = file("Elsewhere/kept.txt", old);
    fs::create_directories(temp / "Elsewhere/folder");
    const std::map<fs::path, Date> timers{{late, dateAfter(now, 1200)},
                                          {early, dateAfter(now, -5)},
                                          {unmatched, dateAfter(now, 600)},
                                          {claimed, dateAfter(now, 60)},
                                          {kept, now},
                                          {temp / "Elsewhere/deleted.txt", now},
                                          {temp / "Elsewhere/folder", now},
                                          {temp / "Quarantine/q.txt", now}};
    writeFile(temp / "Quarantine/q.txt");
    const auto report = scan({makeRule("Shots", {"~/Desktop"}, {screenshots})}, {kept}, timers);
    ASSERT_EQ(report.results.size(), 2u);
    EXPECT_EQ(pathsOf(report.results[0]), Paths{claimed});
    const ScanResult& group = report.results[1];
    EXPECT_EQ(group.rule, PurgeRule::manual());
    EXPECT_EQ(group.folder, "");
    EXPECT_EQ(pathsOf(group), (Paths{early, unmatched, late}));
    for (const auto& listed : group.files) {
        SCOPED_TRACE(listed.url);
        EXPECT_EQ(listed.deadline, timers.at(listed.url));
        EXPECT_EQ(listed.isEligible, listed.url == early);
    }
    EXPECT_EQ(report.matchedCount, 4);
    EXPECT_EQ(pathsOf(scan({}, {}, {{late, now}})), Paths{late}) << "without any rule";
}

// A ".hidden" list names whole names, and only in its own folder.
TEST_F(ScannerWalk, hiddenItemsLinksAndSpecialFilesAreLeftOutAndSubFoldersEntered) {
    for (const char* name : {".dotfile", ".cache/inside.txt", "named-in-hidden-list.txt",
                             "folder-in-hidden-list/inside.txt", "sub/secret.txt"})
        writeFile(watched / name);
    Paths expected;
    for (const char* name : {"top.txt", "nested/deeper/deep.txt", "sub/named-in-hidden-list.txt",
                             "sub/partial-name.txt"}) {
        writeFile(watched / name);
        expected.push_back(path(name));
    }
    writeFile(watched / ".hidden", "named-in-hidden-list.txt\n\nfolder-in-hidden-list\n");
    writeFile(watched / "sub/.hidden", "secret.txt\npartial");
    writeFile(temp / "outside/far.txt");
    fs::create_symlink(watched / "top.txt", watched / "link-to-file");
    fs::create_directory_symlink(temp / "outside", watched / "link-to-outside");
    fs::create_directory_symlink(watched / "nested", watched / "link-to-nested");
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(found(watched), sorted(expected));
}

// A folder whose listing takes several reads of the directory, with its ".hidden" file
// somewhere among them: every entry is seen, and the list still hides what it names.
TEST_F(ScannerWalk, aLargeFolderIsReadWholeAndItsHiddenListApplies) {
    constexpr int count = 5000;
    Paths expected;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "file %04d with a name long enough to fill pages.txt", i);
        writeFile(watched / name);
        if (i != 42)
            expected.push_back(path(name));
    }
    writeFile(watched / ".hidden", "file 0042 with a name long enough to fill pages.txt\n");
    EXPECT_EQ(found(watched), sorted(expected));
}

TEST_F(ScannerWalk, theQuarantineAndSupportFoldersInsideAWatchedFolderAreNeverClaimed) {
    writeFile(watched / "keep.txt");
    writeFile(watched / "Quarantine/moved.txt");
    writeFile(watched / "QuarantineNot/found.txt");
    writeFile(watched / "data/Dustlyn/config.json");
    writeFile(watched / "data/Dustlyn/Quarantine/moved.txt");
    const std::vector<fs::path> excluded{watched / "Quarantine", watched / "data/Dustlyn/"};
    EXPECT_EQ(found(watched, excluded), (Paths{path("QuarantineNot/found.txt"), path("keep.txt")}));
    EXPECT_EQ(found(watched / "Quarantine", excluded), Paths{});
}

TEST_F(ScannerWalk, theWalkStaysOnTheMountOfTheRulesFolder) {
    writeFile(watched / "here.txt");
    writeFile(temp / "elsewhere/bound.txt");
    fs::create_directories(watched / "tmpfs");
    fs::create_directories(watched / "bound");
    std::string error;
    auto tmpfs = TestMount::mount("tmpfs", watched / "tmpfs", error);
    if (!tmpfs)
        GTEST_SKIP() << "cannot mount a tmpfs here (" << error << "); needs root";
    auto bound =
        TestMount::mount((temp / "elsewhere").native(), watched / "bound", error, "", MS_BIND);
    ASSERT_TRUE(bound) << error;
    writeFile(watched / "tmpfs/mounted.txt");

    EXPECT_EQ(found(watched), Paths{path("here.txt")});
    // A mounted folder named by a rule is walked like any other.
    EXPECT_EQ(found(watched / "tmpfs"), Paths{path("tmpfs/mounted.txt")});
    EXPECT_EQ(found(watched / "bound"), Paths{path("bound/bound.txt")});
}

// Two rules on the folder and one on a sub-folder meet the same files several times. A timed
// file whose path is no UTF-8 is counted too; one that vanished yields nothing.
TEST_F(ScannerWalk, filesWhosePathIsNotUtf8AreCountedOnceAndNeverClaimed) {
    writeFile(watched / "fine.txt");
    writeFile(watched / "bad\xff.txt");
    writeFile(watched / "folder\xfe/inner.txt");
    writeFile(watched / ".hidden\xff"); // hidden: neither claimed nor counted
    const auto report = scanFolders({watched, watched, watched / "folder\xfe"});
    EXPECT_EQ(pathsOf(report), Paths{path("fine.txt")});
    EXPECT_EQ(report.unrecordableCount, 2);
    writeFile(temp / "elsewhere/bad\xff.txt");
    const auto timed =
        scan({}, {}, {{temp / "elsewhere/bad\xff.txt", now}, {temp / "gone.txt", now}});
    EXPECT_TRUE(timed.results.empty());
    EXPECT_EQ(timed.unrecordableCount, 1);
}

// Root reads every folder whatever its mode, so the scan runs as an ordinary user in a child.
TEST_F(ScannerWalk, anUnreadableFolderIsSkippedAndTheWalkGoesOn) {
    writeFile(watched / "a/before.txt");
    writeFile(watched / "locked/inside.txt");
    writeFile(watched / "z/after.txt");
    fs::permissions(temp.path(), fs::perms(0755));
    fs::permissions(watched / "locked", fs::perms::none);
    const Paths expected = {path("a/before.txt"), path("z/after.txt")};
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        _exit(found(watched) == expected ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "cannot switch to an unprivileged user";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the walk did not go on";
}

// A creation rule uses the birth time statx reports; where the file system keeps none, the file
// stays for a later modification rule. Whatever the basis, the file's own date comes along,
// for a sweep cut short to give back.
TEST_F(ScannerWalk, creationRulesUseTheBirthTimeAndClaimNothingWhereThereIsNone) {
    // ramfs keeps no birth time on any kernel so far.
    fs::create_directories(temp / "ramfs");
    std::string error;
    const auto ramfs = TestMount::mount("ramfs", temp / "ramfs", error);
    if (!ramfs)
        std::cout << "note: no ramfs (" << error << "); the case without a birth time is not run\n";
    for (const auto& folder : ramfs ? std::vector{watched, temp / "ramfs"} : std::vector{watched}) {
        SCOPED_TRACE(folder.native());
        const Date modified = dateFromUnix(1'600'000'000);
        writeFile(folder / "Screenshot 1.png");
        setModificationDate(folder / "Screenshot 1.png", modified);
        const auto creation = makeRule("Shots", {folder.native()},
                                       {FileMatcher::glob("Screenshot*")}, 900, AgeBasis::creation);
        const auto modification = anyFileRule({folder.native()});
        const auto report = Scanner("/").scan({creation, modification}, {}, {}, now);
        const auto born = birthTime(folder / "Screenshot 1.png");
        ASSERT_EQ(report.results.size(), 1u);
        ASSERT_EQ(report.results[0].files.size(), 1u);
        const MatchedFile& listed = report.results[0].files[0];
        EXPECT_EQ(listed.modificationDate, modified);
        EXPECT_EQ(report.results[0].rule, born ? creation : modification);
        EXPECT_EQ(listed.ageBasisDate, born.value_or(modified));
        EXPECT_EQ(listed.deadline, born ? dateAfter(*born, 900) : dateAfter(modified, 3600));
    }
}

// As the status and the change commands list the next file to leave.
TEST(ScanReports, aFileIsWrittenWithEveryFieldAndItsDatesInUtc) {
    const MatchedFile listed("/home/u/Desktop/Screenshot 1.png", 123,
                             dateFromUnix(1740821400), // 2025-03-01T09:30:00Z
                             *Uuid::parse("6f0a1b2c-3d4e-4f50-8162-738495a6b7c8"), false,
                             dateFromUnix(1740822300));
    EXPECT_EQ(
        toJson(listed).dump(),
        R"({"url":"/home/u/Desktop/Screenshot 1.png","size":123,)"
        R"("ageBasisDate":"2025-03-01T09:30:00Z","ruleID":"6F0A1B2C-3D4E-4F50-8162-738495A6B7C8",)"
        R"("isEligible":false,"deadline":"2025-03-01T09:45:00Z"})");
}

} // namespace
} // namespace dustlyn

#include "core/scan/Scanner.h"
#include "tests/core/scan/ScanTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::anyFileRule;
using testing::makeRule;
using testing::pathsOf;
using testing::setModificationDate;
using testing::sorted;
using testing::TempDir;
using testing::writeFile;

using Paths = std::vector<std::string>;

const FileMatcher screenshots = FileMatcher::glob("Screenshot*.png");

// A home folder with a Desktop, scanned at a fixed moment.
class ScannerClaims : public ::testing::Test {
protected:
    ScanReport scan(const std::vector<PurgeRule>& rules, const std::set<fs::path>& pins = {},
                    const std::map<fs::path, Date>& timers = {}) const {
        return Scanner(temp.path(), {temp / "Quarantine"}).scan(rules, pins, timers, now);
    }

    std::string file(const std::string& relative, Date modified) const {
        writeFile(temp / relative);
        setModificationDate(temp / relative, modified);
        return (temp / relative).native();
    }
    std::string desktopFile(const std::string& name) const { return file("Desktop/" + name, old); }

    TempDir temp{"dustlyn-claims"};
    const Date now = dateFromUnix(1'800'000'000);
    const Date old = dateFromUnix(1'700'000'000);
};

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
    EXPECT_EQ(scan({disabled}), ScanReport::empty());
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
        for (const auto& rules : {std::vector{nothing, pictures}, std::vector{pictures, nothing}}) {
            const auto report = scan(rules);
            ASSERT_EQ(report.results.size(), 1u);
            EXPECT_EQ(report.results[0].rule, pictures);
            EXPECT_EQ(sorted(pathsOf(report)), sorted({top, deep}));
        }
        const auto report = scan({nothing, inner});
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
        EXPECT_TRUE(listed.isManual());
        EXPECT_EQ(listed.deadline, timers.at(listed.url));
        EXPECT_EQ(listed.ageBasisDate, testing::modificationDate(listed.url));
        EXPECT_EQ(listed.isEligible, listed.url == early);
        EXPECT_EQ(listed.size, 1);
    }
    EXPECT_EQ(report.matchedCount, 4);
}

TEST_F(ScannerClaims, aTimerOnTheOnlyFileStillGivesAReport) {
    const auto timed = file("Elsewhere/t.txt", old);
    EXPECT_EQ(pathsOf(scan({}, {}, {{timed, dateAfter(now, 10)}})), Paths{timed});
}

} // namespace
} // namespace dustlyn

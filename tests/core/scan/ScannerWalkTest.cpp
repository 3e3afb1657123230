#include "core/scan/Scanner.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/scan/ScanTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::anyFileRule;
using testing::birthTime;
using testing::makeRule;
using testing::pathsOf;
using testing::setModificationDate;
using testing::sorted;
using testing::TempDir;
using testing::TestMount;
using testing::writeFile;

using Paths = std::vector<std::string>;

// A watched folder with an any-file rule on it.
class ScannerWalk : public ::testing::Test {
protected:
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
    std::string path(const std::string& relative) const { return (watched / relative).native(); }

    TempDir temp{"dustlyn-walk"};
    const fs::path watched = temp / "watched";
    const Date now = dateFromUnix(1'800'000'000);
};

TEST_F(ScannerWalk, hiddenItemsLinksAndSpecialFilesAreLeftOutAndSubFoldersEntered) {
    const struct {
        const char* file;
        bool listed;
    } rows[] = {
        {"top.txt", true},
        {"nested/deeper/deep.txt", true},
        {".dotfile", false},
        {".cache/inside.txt", false},
        {"named-in-hidden-list.txt", false},
        {"folder-in-hidden-list/inside.txt", false},
        {"sub/secret.txt", false},              // named in sub/.hidden
        {"sub/named-in-hidden-list.txt", true}, // the top list does not reach down
        {"sub/partial-name.txt", true},         // lines are whole names
    };
    for (const auto& row : rows)
        writeFile(watched / row.file);
    writeFile(watched / ".hidden", "named-in-hidden-list.txt\n\nfolder-in-hidden-list\n");
    writeFile(watched / "sub/.hidden", "secret.txt\npartial");
    writeFile(temp / "outside/far.txt");
    fs::create_symlink(watched / "top.txt", watched / "link-to-file");
    fs::create_directory_symlink(temp / "outside", watched / "link-to-outside");
    fs::create_directory_symlink(watched / "nested", watched / "link-to-nested");
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);

    Paths expected;
    for (const auto& row : rows)
        if (row.listed)
            expected.push_back(path(row.file));
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
    auto tmpfs = TestMount::tmpfs(watched / "tmpfs", "", error);
    if (!tmpfs)
        GTEST_SKIP() << "cannot mount a tmpfs here (" << error << "); needs root";
    auto bound = TestMount::bind(temp / "elsewhere", watched / "bound", error);
    ASSERT_TRUE(bound) << error;
    writeFile(watched / "tmpfs/mounted.txt");

    EXPECT_EQ(found(watched), Paths{path("here.txt")});
    // A mounted folder named by a rule is walked like any other.
    EXPECT_EQ(found(watched / "tmpfs"), Paths{path("tmpfs/mounted.txt")});
    EXPECT_EQ(found(watched / "bound"), Paths{path("bound/bound.txt")});
}

TEST_F(ScannerWalk, filesWhosePathIsNotUtf8AreCountedOnceAndNeverClaimed) {
    writeFile(watched / "fine.txt");
    writeFile(watched / "bad\xff.txt");
    writeFile(watched / "folder\xfe/inner.txt");
    writeFile(watched / ".hidden\xff"); // hidden: neither claimed nor counted
    // Two rules on the folder and one on a sub-folder meet the same files several times.
    const auto report = scanFolders({watched, watched, watched / "folder\xfe"});
    EXPECT_EQ(pathsOf(report), Paths{path("fine.txt")});
    EXPECT_EQ(report.unrecordableCount, 2);
}

// A timed file whose path is no UTF-8 is counted too; one that vanished yields nothing.
TEST_F(ScannerWalk, timedFilesThatCannotBeRecordedOrAreGoneYieldNothing) {
    writeFile(temp / "elsewhere/bad\xff.txt");
    const auto report =
        Scanner(temp.path())
            .scan({}, {}, {{temp / "elsewhere/bad\xff.txt", now}, {temp / "gone.txt", now}}, now);
    EXPECT_TRUE(report.results.empty());
    EXPECT_EQ(report.unrecordableCount, 1);
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

// Checks one folder's file system: a creation rule uses the birth time statx reports, and
// where there is none the file stays for a later modification rule. Returns whether the
// file system keeps birth times.
bool expectCreationBasisConsistentWithStatx(const fs::path& folder, Date now) {
    const Date modified = dateFromUnix(1'600'000'000);
    writeFile(folder / "Screenshot 1.png");
    setModificationDate(folder / "Screenshot 1.png", modified);
    const auto creation = makeRule("Shots", {folder.native()}, {FileMatcher::glob("Screenshot*")},
                                   900, AgeBasis::creation);
    const auto modification = anyFileRule({folder.native()});
    const auto report = Scanner("/").scan({creation, modification}, {}, {}, now);
    const auto born = birthTime(folder / "Screenshot 1.png");
    EXPECT_EQ(report.results.size(), 1u);
    if (report.results.size() != 1 || report.results[0].files.size() != 1)
        return born.has_value();
    const MatchedFile& listed = report.results[0].files[0];
    // Whatever the basis, the file's own date comes along, for a sweep cut short to give back.
    EXPECT_EQ(listed.modificationDate, modified);
    if (born) {
        EXPECT_EQ(report.results[0].rule, creation);
        EXPECT_EQ(listed.ageBasisDate, *born);
        EXPECT_EQ(listed.deadline, dateAfter(*born, 900));
    } else {
        EXPECT_EQ(report.results[0].rule, modification);
        EXPECT_EQ(listed.ageBasisDate, modified);
    }
    return born.has_value();
}

TEST_F(ScannerWalk, creationRulesUseTheBirthTimeAndClaimNothingWhereThereIsNone) {
    std::vector<bool> kinds;
    {
        SCOPED_TRACE("temporary folder");
        fs::create_directories(watched);
        kinds.push_back(expectCreationBasisConsistentWithStatx(watched, now));
    }
    if (fs::is_directory("/dev/shm")) {
        SCOPED_TRACE("/dev/shm");
        TempDir shm("/dev/shm", "dustlyn-walk");
        kinds.push_back(expectCreationBasisConsistentWithStatx(shm.path(), now));
    }
    // ramfs keeps no birth time on any kernel so far.
    fs::create_directories(temp / "ramfs");
    std::string error;
    if (auto ramfs = TestMount::tmpfs(temp / "ramfs", "", error, "ramfs")) {
        SCOPED_TRACE("ramfs");
        kinds.push_back(expectCreationBasisConsistentWithStatx(temp / "ramfs", now));
    }
    if (std::find(kinds.begin(), kinds.end(), false) == kinds.end())
        std::cout << "note: every file system tried keeps birth times; the case without one "
                     "was not exercised\n";
}

} // namespace
} // namespace dustlyn

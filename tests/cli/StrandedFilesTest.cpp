// Files that a crash, a changed tree or a full history would strand: a half-made copy in the
// quarantine, a file that cannot go back, a quarantined file whose record was trimmed away.
#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

std::vector<std::string> partialCopiesIn(const fs::path& folder) {
    std::vector<std::string> names = namesIn(folder);
    std::erase_if(names,
                  [](const std::string& name) { return !name.starts_with(".dustlyn-partial-"); });
    return names;
}

class AbandonedCopies : public ::testing::Test {
protected:
    void SetUp() override {
        if (!home.canStrace())
            GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
        home.writeConfig({{"rules", {globRule("*.mp4", "~/Desktop", 60)}}});
        video = std::string(3 << 20, 'v');
        writeFile(home.desktop() / "video.mp4", video);
        setModificationDate(home.desktop() / "video.mp4", std::chrono::system_clock::now() - 1h);
    }

    // A sweep whose move goes across file systems (the first rename reports another device)
    // and is killed after the first MiB of the copy.
    void killMidCopy() {
        const ProcessResult killed =
            home.runUnder(strace({"inject=renameat2:error=EXDEV:when=1",
                                  "inject=copy_file_range:signal=SIGKILL:when=2"}),
                          {"sweep"});
        ASSERT_NE(killed.exitCode, 0) << killed.describe();
        ASSERT_EQ(partialCopiesIn(home.quarantine()).size(), 1u) << "no copy was cut short";
        ASSERT_EQ(readFile(home.desktop() / "video.mp4"), video);
    }

    CliHome home;
    std::string video;
};

// What a killed copy left is removed when Dustlyn next starts and by each sweep, but not while
// another move, still copying, holds its partial file locked.
TEST_F(AbandonedCopies, AreRemovedAtTheNextStartButNotWhileAMoveHoldsThem) {
    killMidCopy();
    const fs::path busy = home.quarantine() / ".dustlyn-partial-0123456789AB";
    writeFile(busy, "being copied");
    const int fd = ::open(busy.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const std::vector<std::string> held{busy.filename().native()};

    writeFile(home.desktop() / "letter.pdf", "keep me");
    const ProcessResult kept = home.run({"keep", (home.desktop() / "letter.pdf").native()});
    EXPECT_EQ(kept.exitCode, 0) << kept.describe();
    EXPECT_EQ(partialCopiesIn(home.quarantine()), held);
    EXPECT_EQ(readFile(home.desktop() / "video.mp4"), video) << "the move had not happened";

    const ProcessResult swept = home.run({"sweep"});
    ::close(fd);
    EXPECT_EQ(firstLine(swept.out), "Moved 1 file to quarantine (3.1 MB):") << swept.describe();
    EXPECT_EQ(partialCopiesIn(home.quarantine()), held);
    EXPECT_EQ(readFile(home.quarantine() / "video.mp4"), video);
    EXPECT_EQ(home.run({"sweep"}).exitCode, 0);
    EXPECT_EQ(partialCopiesIn(home.quarantine()), std::vector<std::string>{});
}

// A quarantined file's origin folder became a file: the file cannot go back, and the user
// must hear which and why, or it is purged when it expires.
TEST(UndoAndRestore, SayWhichFileCouldNotGoBackAndWhy) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    makeOldFiles(home.desktop(), 1);
    writeFile(home.desktop() / "sub/inner.txt", "inner");
    setModificationDate(home.desktop() / "sub/inner.txt", std::chrono::system_clock::now() - 1h);
    ASSERT_EQ(home.run({"sweep"}).exitCode, 0);
    fs::remove(home.desktop() / "sub");
    writeFile(home.desktop() / "sub", "now a file");
    const fs::path stranded = home.quarantine() / "inner.txt";
    ASSERT_TRUE(fs::exists(stranded));
    const std::string failure = "Could not restore " + stranded.native() + ": Not a directory\n";

    const ProcessResult undone = home.run({"undo"});
    EXPECT_EQ(undone.exitCode, 1) << undone.describe();
    EXPECT_EQ(undone.out, "Restored " + (home.desktop() / "note-0001.txt").native() + "\n");
    EXPECT_EQ(undone.err, failure);
    EXPECT_TRUE(fs::exists(stranded));

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"undo"}, {"restore", stranded.native()}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult again = home.run(words);
        EXPECT_EQ(again.exitCode, 1) << again.describe();
        EXPECT_EQ(again.out, "");
        EXPECT_EQ(again.err, failure);
        EXPECT_TRUE(fs::exists(stranded));
    }
}

// Sweeps add their entries at the end of a full history without reading it: the cap holds
// and the oldest entries go first, but never the record of a file still in the quarantine
// (the oldest, here, and the first sweep's), and the newest sweep can still be undone.
TEST(HistoryCap, NeverDropsTheRecordOfAFileStillInTheQuarantine) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    const fs::path origin = home.home() / "Projects/plan.odt";
    writeFile(home.quarantine() / "plan.odt", "plan");
    json history = json::array({historyEntry("00000000-0000-4000-8000-000000000000", "quarantined",
                                             origin, home.quarantine() / "plan.odt")});
    for (int i = 1; i < 4999; ++i) {
        char id[40];
        std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012d", i);
        const std::string name = "gone-" + std::to_string(i) + ".txt";
        // Earlier sweeps' files, long gone from the quarantine.
        history.push_back(historyEntry(id, i % 2 ? "quarantined" : "deleted", home.desktop() / name,
                                       home.quarantine() / name));
    }
    writeFile(home.historyFile(), history.dump());

    makeOldFiles(home.desktop(), 1);
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 1 file to quarantine (13 bytes):");
    EXPECT_EQ(home.readHistory().size(), 5000u) << "up to the cap, nothing goes";
    fs::remove_all(home.desktop());
    makeOldFiles(home.desktop(), 3);
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 3 files to quarantine (39 bytes):");
    const json after = home.readHistory();
    ASSERT_EQ(after.size(), 5000u);
    EXPECT_EQ(after[0]["originalPath"], origin.native());
    EXPECT_EQ(after[1]["id"], "00000000-0000-4000-8000-000000000004") << "the oldest others go";
    EXPECT_EQ(after[4996]["quarantinePath"], (home.quarantine() / "note-0001.txt").native());

    const ProcessResult undone = home.run({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.describe();
    EXPECT_EQ(undone.outLines().size(), 3u) << undone.out;
    EXPECT_EQ(namesIn(home.desktop()).size(), 3u);
    EXPECT_TRUE(fs::exists(home.quarantine() / "note-0001.txt")) << "the older sweep stays";
    EXPECT_EQ(home.readHistory().size(), 5000u) << "the restores' entries keep to the cap";
    const ProcessResult restored = home.run({"restore", origin.native()});
    EXPECT_EQ(restored.exitCode, 0) << restored.describe();
    EXPECT_EQ(readFile(origin), "plan");
}

TEST(HistoryCap, ASweepOfMoreFilesThanTheCapCanBeUndoneWhole) {
    constexpr int count = 5010;
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    const auto names = makeOldFiles(home.desktop(), count);

    const ProcessResult swept = home.run({"sweep"});
    EXPECT_EQ(swept.exitCode, 0) << swept.describe();
    ASSERT_TRUE(namesIn(home.desktop()).empty());
    EXPECT_EQ(home.readHistory().size(), std::size_t(count)) << "every origin is on record";

    const ProcessResult undone = home.run({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.describe();
    EXPECT_EQ(undone.outLines().size(), std::size_t(count));
    EXPECT_EQ(namesIn(home.desktop()), names);
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

} // namespace
} // namespace dustlyn::testing

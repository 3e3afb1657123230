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
        home.writeRule("*.mp4");
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
    home.ok({"keep", home.desk("letter.pdf")});
    EXPECT_EQ(partialCopiesIn(home.quarantine()), held);
    EXPECT_EQ(readFile(home.desktop() / "video.mp4"), video) << "the move had not happened";

    const ProcessResult swept = home.run({"sweep"});
    ::close(fd);
    EXPECT_EQ(firstLine(swept.out), "Moved 1 file to quarantine (3.1 MB):") << swept.describe();
    EXPECT_EQ(partialCopiesIn(home.quarantine()), held);
    EXPECT_EQ(readFile(home.quarantine() / "video.mp4"), video);
    home.ok({"sweep"});
    EXPECT_EQ(partialCopiesIn(home.quarantine()), std::vector<std::string>{});
}

// A quarantined file's origin folder became a file: the file cannot go back, and the user
// must hear which and why, or it is purged when it expires.
TEST(UndoAndRestore, SayWhichFileCouldNotGoBackAndWhy) {
    CliHome home;
    home.writeRule();
    makeOldFiles(home.desktop(), 1);
    writeFile(home.desktop() / "sub/inner.txt", "inner");
    setModificationDate(home.desktop() / "sub/inner.txt", std::chrono::system_clock::now() - 1h);
    home.ok({"sweep"});
    fs::remove(home.desktop() / "sub");
    writeFile(home.desktop() / "sub", "now a file");
    const fs::path stranded = home.quarantine() / "inner.txt";
    ASSERT_TRUE(fs::exists(stranded));
    const std::string failure = "Could not restore " + stranded.native() + ": Not a directory\n";

    const ProcessResult undone = home.run({"undo"});
    EXPECT_EQ(undone.exitCode, 1) << undone.describe();
    EXPECT_EQ(undone.out + undone.err, "Restored " + home.desk("note-0001.txt") + "\n" + failure);
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"undo"}, {"restore", stranded.native()}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult again = home.run(words);
        EXPECT_EQ(again.exitCode, 1) << again.describe();
        EXPECT_EQ(again.out + again.err, failure);
        EXPECT_TRUE(fs::exists(stranded));
    }
}

// A sweep of more files than the history holds records every one and can be undone whole.
TEST(HistoryCap, ASweepOfMoreFilesThanTheCapCanBeUndoneWhole) {
    constexpr int count = 5010;
    CliHome home;
    home.writeRule();
    const auto names = makeOldFiles(home.desktop(), count);
    home.ok({"sweep"});
    ASSERT_TRUE(namesIn(home.desktop()).empty());
    EXPECT_EQ(home.readHistory().size(), std::size_t(count)) << "every origin is on record";
    EXPECT_EQ(home.ok({"undo"}).outLines().size(), std::size_t(count));
    EXPECT_EQ(namesIn(home.desktop()), names);
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

} // namespace
} // namespace dustlyn::testing

// Trees that change under Dustlyn's feet: links given by name, folders swapped for links
// between the scan and the move, names that cannot be numbered the simple way.
#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace dustlyn::testing {
namespace {

// Someone leaves ~/Desktop/passwd.txt leading to a file of theirs elsewhere (as root:
// /etc/passwd). Naming it must never move, time or keep what it leads to, and a timer
// written on it by hand times only the link.
TEST(LinkArguments, AreRefusedWithOneLineAndTheFileTheyLeadToIsNeverTouched) {
    CliHome home;
    const fs::path target = home.home() / "Outside/passwd";
    const fs::path link = home.desktop() / "passwd.txt";
    writeFile(target, "root:x:0:0");
    setModificationDate(target, std::chrono::system_clock::now() - 1h);
    fs::create_directories(home.desktop());
    fs::create_symlink(target, link);
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                      {"timers", {{link.native(), "2025-03-01T09:30:00Z"}}}});
    const std::string before = readFile(home.configFile());
    for (const std::string command : {"remove-now", "timer", "keep"}) {
        SCOPED_TRACE(command);
        const std::string duration = command == "timer" ? " 10m" : "";
        expectRefused(home.run(wordsOf(command + " " + link.native() + duration)), 2,
                      "dustlyn " + command + ": " + link.native() +
                          " is a symbolic link; Dustlyn only moves files");
        EXPECT_EQ(readFile(home.configFile()), before) << "no kept file, no timer";
    }
    EXPECT_EQ(home.ok({"sweep"}).out, "");
    EXPECT_EQ(readFile(target), "root:x:0:0");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

bool journalBeingWritten(const CliHome& home) {
    for (const auto& name : namesIn(home.supportDirectory()))
        if (name.starts_with(".sweep-journal.json.tmp-"))
            return true;
    return false;
}

// The scan finds ~/Desktop/sub/secret.txt; before the move, sub becomes a link to a folder
// outside every rule. The sweep's journal is written between the two: strace holds its
// rename for a few seconds, the test swaps the folder meanwhile, then lets it go on.
TEST(SwappedFolder, AFolderSwappedForALinkAfterTheScanFailsItsFileForThisSweep) {
    CliHome home;
    if (!home.canStrace())
        GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
    home.writeRule();
    const Date hourAgo = std::chrono::system_clock::now() - 1h;
    for (const auto& [folder, content] : {std::pair{home.desktop() / "sub", "inside"},
                                          std::pair{home.home() / "Outside", "outside"}}) {
        writeFile(folder / "secret.txt", content);
        setModificationDate(folder / "secret.txt", hourAgo);
    }

    DustlynProcess sweep({"sweep"}, home.tracedEnvironment(), {},
                         straceInjecting({"rename:delay_enter=3000000:when=1"}));
    const auto giveUp = Clock::now() + 30s;
    while (!journalBeingWritten(home) && Clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(journalBeingWritten(home)) << "the sweep never planned its moves";
    fs::rename(home.desktop() / "sub", home.desktop() / "sub-moved");
    fs::create_directory_symlink(home.home() / "Outside", home.desktop() / "sub");
    ASSERT_FALSE(fs::exists(home.supportDirectory() / "sweep-journal.json"))
        << "the swap came too late: the moves may have begun";

    const ProcessResult result = sweep.wait(Clock::now() + 30s);
    EXPECT_EQ(result.exitCode, 1) << result.describe();
    EXPECT_EQ(result.err, "Could not move " + (home.desktop() / "sub/secret.txt").native() +
                              ": Too many levels of symbolic links\n");
    EXPECT_EQ(readFile(home.home() / "Outside/secret.txt"), "outside");
    EXPECT_EQ(readFile(home.desktop() / "sub-moved/secret.txt"), "inside");
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
    EXPECT_TRUE(!fs::exists(home.historyFile()) || home.readHistory() == json::array());
}

// Files that a crash, a changed tree or a full history would strand: a half-made copy in the
// quarantine, a file that cannot go back, a quarantined file whose record was trimmed away.
std::vector<std::string> partialCopiesIn(const fs::path& folder) {
    std::vector<std::string> names = namesIn(folder);
    std::erase_if(names,
                  [](const std::string& name) { return !name.starts_with(".dustlyn-partial-"); });
    return names;
}

// A sweep whose move goes across file systems (the first rename reports another device) is
// killed after the first MiB of the copy; what it left is removed by the next sweep, which
// moves the file. (That a partial file a move still holds is left alone, the core's tests
// tell.)
TEST(AbandonedCopies, AreRemovedByTheNextSweep) {
    CliHome home;
    if (!home.canStrace())
        GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
    home.writeRule("*.mp4");
    const std::string video(3 << 20, 'v');
    writeFile(home.desktop() / "video.mp4", video);
    setModificationDate(home.desktop() / "video.mp4", std::chrono::system_clock::now() - 1h);
    const ProcessResult killed = home.runUnder(
        straceInjecting({"renameat2:error=EXDEV:when=1", "copy_file_range:signal=SIGKILL:when=2"}),
        {"sweep"});
    ASSERT_NE(killed.exitCode, 0) << killed.describe();
    ASSERT_EQ(partialCopiesIn(home.quarantine()).size(), 1u) << "no copy was cut short";
    ASSERT_EQ(readFile(home.desktop() / "video.mp4"), video);

    EXPECT_EQ(firstLine(home.ok({"sweep"}).out), "Moved 1 file to quarantine (3.1 MB):");
    EXPECT_EQ(partialCopiesIn(home.quarantine()), std::vector<std::string>{});
    EXPECT_EQ(readFile(home.quarantine() / "video.mp4"), video);
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
    const ProcessResult again = home.run({"restore", stranded.native()});
    EXPECT_EQ(again.exitCode, 1) << again.describe();
    EXPECT_EQ(again.out + again.err, failure);
    EXPECT_TRUE(fs::exists(stranded));
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
    EXPECT_EQ(linesOf(home.ok({"undo"}).out).size(), std::size_t(count));
    EXPECT_EQ(namesIn(home.desktop()), names);
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

} // namespace
} // namespace dustlyn::testing

#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

namespace dustlyn::testing {
namespace {

std::string sweepOf(const CliHome& home) {
    return home.readHistory().at(0)["sweepID"];
}

// Twelve files due: the sweep names them (ten, or all with --verbose, or none with --quiet)
// and ends with the command that puts them back. With nothing due it says nothing unless
// asked to.
TEST(SweepOutput, NamesTheFilesAndHowToPutThemBack) {
    const struct {
        const char* line;
        std::size_t named;
        std::string nothingDue;
    } rows[] = {
        {"sweep", 10, ""}, {"sweep --verbose", 12, "Nothing was due.\n"}, {"sweep --quiet", 0, ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const auto words = wordsOf(row.line);
        const bool byDefault = words.size() == 1;
        CliHome home;
        home.writeRule();
        EXPECT_EQ(home.ok(words).out, row.nothingDue);
        const auto names = makeOldFiles(home.desktop(), 12);
        const ProcessResult result = home.ok(words);
        EXPECT_EQ(result.err, "");
        if (row.named == 0) {
            EXPECT_EQ(result.out, "");
            continue;
        }
        const auto lines = linesOf(result.out);
        ASSERT_EQ(lines.size(), row.named + (byDefault ? 3 : 2)) << result.out;
        EXPECT_EQ(lines.front(), "Moved 12 files to quarantine (156 bytes):");
        std::set<std::string> named(lines.begin() + 1, lines.begin() + 1 + long(row.named));
        for (const auto& name : names)
            named.erase("  " + home.desk(name));
        EXPECT_TRUE(named.empty()) << "each line names a moved file: " << result.out;
        if (byDefault) {
            EXPECT_EQ(lines[11], "  … and 2 more");
        }
        EXPECT_EQ(lines.back(), "To put them back: dustlyn undo " + sweepOf(home));
    }
}

// remove-now sweeps, so whatever else was due leaves with the file: it must not go unsaid.
TEST(SweepOutput, RemoveNowNamesWhatElseTheSweepMoved) {
    CliHome home;
    home.writeRule("note-*.txt");
    makeOldFiles(home.desktop(), 2);
    writeFile(home.desktop() / "asked.txt", "asked");
    const auto lines = linesOf(home.ok({"remove-now", home.desk("asked.txt")}).out);
    const std::set<std::string> expected = {
        "Moved " + home.desk("asked.txt") + " to " + home.quar("asked.txt"),
        "Also moved 2 files that were due:", "  " + home.desk("note-0001.txt"),
        "  " + home.desk("note-0002.txt"), "To put them all back: dustlyn undo " + sweepOf(home)};
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ((std::set<std::string>(lines.begin(), lines.end())), expected);
}

// Only a terminal gets the progress line; through a file the output stays as it always is.
// The running instance does the moves, each made to take 0.3 s by strace so that the sweep
// lasts long enough to show its progress, and the command shows what it hears of them.
TEST(SweepProgress, ShowsOnlyOnATerminal) {
    CliHome home;
    if (std::system("command -v script > /dev/null") != 0 || !home.canStrace())
        GTEST_SKIP() << "script or strace cannot run here";
    // Not due: only `sweep --everything` moves them, so the instance leaves them be.
    home.writeRule("*.txt", 86400);
    makeOldFiles(home.desktop(), 6);
    DustlynProcess instance({"--headless"}, home.tracedEnvironment(), {},
                            straceInjecting({"renameat2:delay_exit=300000"}));
    ASSERT_TRUE(instance.waitForLines(Stream::err, "Dustlyn is running", 1, Clock::now() + 20s))
        << instance.err();
    // `script` gives the command a terminal.
    DustlynProcess terminal({"sweep", "--everything"}, home.environment(), {},
                            {"sh", "-c", "exec script -qefc \"$*\" /dev/null", "sh"});
    const ProcessResult shown = terminal.wait(Clock::now() + 60s);
    EXPECT_EQ(shown.exitCode, 0) << shown.describe();
    EXPECT_TRUE(has(shown.out, "\rMoving ")) << shown.describe();
    EXPECT_TRUE(has(shown.out, "\r\x1b[K")) << "the line is taken away";
    EXPECT_TRUE(has(shown.out, "Moved 6 files to quarantine"));

    for (const auto& name : namesIn(home.quarantine()))
        fs::rename(home.quarantine() / name, home.desktop() / name);
    const ProcessResult written = home.run({"sweep", "--everything"});
    EXPECT_FALSE(has(written.err, "Moving")) << written.err;
    EXPECT_EQ(firstLine(written.out), "Moved 6 files to quarantine (78 bytes):");
}

// Under systemd the journal takes each line's priority from its start; elsewhere lines are
// plain. JOURNAL_STREAM names the journal's stream: here, the pipe of standard output.
TEST(HeadlessLines, GoToTheJournalWithTheirPriority) {
    CliHome home;
    home.writeRule();
    makeOldFiles(home.desktop(), 1);
    DustlynProcess instance(
        {"--headless"}, home.environment(), fs::path(),
        {"sh", "-c",
         "exec 3>&1; JOURNAL_STREAM=$(stat -L -c %d:%i /proc/self/fd/3) exec \"$0\" \"$@\""});
    ASSERT_TRUE(
        instance.waitForLines(Stream::out, "To put it back: dustlyn undo", 1, Clock::now() + 20s))
        << instance.out() << instance.err();
    EXPECT_TRUE(instance.out().starts_with("<6>Moved 1 file to quarantine (13 bytes):\n<6>  " +
                                           home.desk("note-0001.txt") +
                                           "\n<6>To put it back: dustlyn undo "))
        << instance.out();
    // Standard error is not the journal's stream here, so its lines stay plain.
    EXPECT_TRUE(instance.err().starts_with("Dustlyn is running without windows. Stop it with "
                                           "Ctrl+C.\n"))
        << instance.err();
    stopInstance(instance);
}

} // namespace
} // namespace dustlyn::testing

#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <set>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = DustlynProcess::Clock;
using Stream = DustlynProcess::Stream;
using namespace std::chrono_literals;

std::string sweepOf(const CliHome& home) {
    for (const auto& entry : home.readHistory())
        if (entry.contains("sweepID"))
            return entry["sweepID"];
    return {};
}

struct DetailCase {
    const char* option; // nothing: the default
    std::size_t filesNamed;
    bool saysHowManyMore;
};

// Twelve files due: the sweep names them (ten, or all with --verbose, or none with --quiet)
// and ends with the command that puts them back.
TEST(SweepOutput, NamesTheFilesAndHowToPutThemBack) {
    const std::vector<DetailCase> cases = {
        {nullptr, 10, true}, {"--verbose", 12, false}, {"--quiet", 0, false}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.option ? row.option : "default");
        CliHome home;
        home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
        const auto names = makeOldFiles(home.desktop(), 12);
        std::vector<std::string> words{"sweep"};
        if (row.option)
            words.push_back(row.option);
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        EXPECT_EQ(result.err, "");
        const auto lines = result.outLines();
        if (row.filesNamed == 0) {
            EXPECT_EQ(result.out, "");
            continue;
        }
        ASSERT_EQ(lines.size(), 1 + row.filesNamed + (row.saysHowManyMore ? 1 : 0) + 1)
            << result.out;
        EXPECT_EQ(lines.front(), "Moved 12 files to quarantine (156 bytes):");
        std::set<std::string> named;
        for (std::size_t i = 0; i < row.filesNamed; ++i)
            named.insert(lines[1 + i]);
        EXPECT_EQ(named.size(), row.filesNamed) << result.out;
        for (const auto& name : names)
            named.erase("  " + (home.desktop() / name).native());
        EXPECT_TRUE(named.empty()) << "each line names a moved file: " << result.out;
        if (row.saysHowManyMore) {
            EXPECT_EQ(lines[1 + row.filesNamed], "  … and 2 more");
        }
        EXPECT_EQ(lines.back(), "To put them back: dustlyn undo " + sweepOf(home));
    }
}

TEST(SweepOutput, ASweepWithNothingToDoPrintsNothingUnlessAskedToSaySo) {
    CliHome home;
    for (const auto& [option, says] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"--quiet", ""}, {"--verbose", "Nothing was due.\n"}}) {
        SCOPED_TRACE(option);
        const ProcessResult result =
            option.empty() ? home.run({"sweep"}) : home.run({"sweep", option});
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        EXPECT_EQ(result.out, says);
        EXPECT_EQ(result.err, "");
    }
}

// remove-now sweeps, so whatever else was due leaves with the file: it must not go unsaid.
TEST(SweepOutput, RemoveNowNamesWhatElseTheSweepMoved) {
    for (const int othersDue : {0, 2}) {
        SCOPED_TRACE(othersDue);
        CliHome home;
        home.writeConfig({{"rules", {globRule("note-*.txt", "~/Desktop", 60)}}});
        makeOldFiles(home.desktop(), othersDue);
        const fs::path asked = home.desktop() / "asked.txt";
        writeFile(asked, "asked");
        const ProcessResult result = home.run({"remove-now", asked.native()});
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        const auto lines = result.outLines();
        ASSERT_EQ(lines.size(), othersDue == 0 ? 1u : 5u) << result.out;
        EXPECT_EQ(lines[0],
                  "Moved " + asked.native() + " to " + (home.quarantine() / "asked.txt").native());
        if (othersDue == 0)
            continue;
        EXPECT_EQ(lines[1], "Also moved 2 files that were due:");
        EXPECT_EQ((std::set<std::string>{lines[2], lines[3]}),
                  (std::set<std::string>{"  " + (home.desktop() / "note-0001.txt").native(),
                                         "  " + (home.desktop() / "note-0002.txt").native()}));
        EXPECT_EQ(lines[4], "To put them all back: dustlyn undo " + sweepOf(home));
    }
}

bool onPath(const std::string& program) {
    for (const char* folder : {"/usr/local/bin", "/usr/bin", "/bin"})
        if (::access((std::string(folder) + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// strace makes each move take 0.3 s, so that a sweep lasts long enough to show its progress.
const std::vector<std::string> slowMoves = strace({"inject=renameat2:delay_exit=300000"});

class SweepProgress : public ::testing::TestWithParam<bool> {};

// Only a terminal gets the progress line; through a pipe the output stays as it always is.
TEST_P(SweepProgress, ShowsOnlyOnATerminal) {
    CliHome home;
    if (!onPath("script") || home.runUnder(slowMoves, {"--version"}).exitCode != 0)
        GTEST_SKIP() << "script or strace cannot run here";
    // Not due: only `sweep --everything` moves them, so a running instance leaves them be.
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 86400)}}});
    makeOldFiles(home.desktop(), 6);
    std::unique_ptr<DustlynProcess> instance;
    if (GetParam()) {
        // The instance does the moves, slowly; the command shows what it hears of them.
        instance =
            std::make_unique<DustlynProcess>(std::vector<std::string>{"--headless"},
                                             home.tracedEnvironment(), fs::path(), slowMoves);
        ASSERT_TRUE(instance->waitForLine(Stream::err, "Dustlyn is running", Clock::now() + 20s))
            << instance->err();
    }
    // `script` gives the command a terminal.
    std::string slowly;
    for (const auto& word : slowMoves)
        slowly += word + " ";
    DustlynProcess terminal(
        {"sweep", "--everything"}, home.tracedEnvironment(), fs::path(),
        {"sh", "-c", "exec script -qefc \"" + (GetParam() ? "" : slowly) + "$*\" /dev/null", "sh"});
    const ProcessResult shown = terminal.wait(Clock::now() + 60s);
    EXPECT_EQ(shown.exitCode, 0) << shown.describe();
    EXPECT_NE(shown.out.find("\rMoving "), std::string::npos) << shown.describe();
    EXPECT_NE(shown.out.find("\r\x1b[K"), std::string::npos) << "the line is taken away";
    EXPECT_NE(shown.out.find("Moved 6 files to quarantine"), std::string::npos);

    // Through pipes, never.
    for (const auto& name : namesIn(home.quarantine()))
        fs::rename(home.quarantine() / name, home.desktop() / name);
    const ProcessResult piped = GetParam() ? home.run({"sweep", "--everything"})
                                           : home.runUnder(slowMoves, {"sweep", "--everything"});
    EXPECT_EQ(piped.exitCode, 0) << piped.describe();
    EXPECT_EQ(piped.err.find("Moving"), std::string::npos) << piped.err;
    EXPECT_EQ(firstLine(piped.out), "Moved 6 files to quarantine (78 bytes):");
    if (instance) {
        instance->sendSignal(SIGTERM);
        instance->wait(Clock::now() + 20s);
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, SweepProgress, ::testing::Bool(), [](const auto& test) {
    return std::string(test.param ? "CarriedOutByTheInstance" : "CarriedOutHere");
});

// Under systemd the journal takes each line's priority from its start; elsewhere lines are
// plain. JOURNAL_STREAM names the journal's stream: here, the pipe of standard output.
TEST(HeadlessLines, GoToTheJournalWithTheirPriority) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    makeOldFiles(home.desktop(), 1);
    DustlynProcess instance(
        {"--headless"}, home.environment(), fs::path(),
        {"sh", "-c",
         "exec 3>&1; JOURNAL_STREAM=$(stat -L -c %d:%i /proc/self/fd/3) exec \"$0\" \"$@\""});
    ASSERT_TRUE(
        instance.waitForLine(Stream::out, "To put it back: dustlyn undo", Clock::now() + 20s))
        << instance.out() << instance.err();
    const auto lines = ProcessResult{0, 0, false, instance.out(), ""}.outLines();
    ASSERT_EQ(lines.size(), 3u) << instance.out();
    EXPECT_EQ(lines[0], "<6>Moved 1 file to quarantine (13 bytes):");
    EXPECT_EQ(lines[1], "<6>  " + (home.desktop() / "note-0001.txt").native());
    EXPECT_TRUE(lines[2].starts_with("<6>To put it back: dustlyn undo ")) << lines[2];
    // Standard error is not the journal's stream here, so its lines stay plain.
    EXPECT_TRUE(instance.err().starts_with("Dustlyn is running without windows. Stop it with "
                                           "Ctrl+C.\n"))
        << instance.err();
    stopInstance(instance);
}

} // namespace
} // namespace dustlyn::testing

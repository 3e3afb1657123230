#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

bool contains(const json& array, const std::string& text) {
    return std::find(array.begin(), array.end(), json(text)) != array.end();
}

std::vector<json> entriesOfKind(const json& history, const std::string& kind) {
    std::vector<json> found;
    for (const auto& entry : history)
        if (entry["kind"] == kind)
            found.push_back(entry);
    return found;
}

// No instance runs: every command carries out its change itself, under the lock.
class ChangeCommands : public ::testing::Test {
protected:
    void SetUp() override { home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}}); }

    std::string onDesktop(const std::string& name) const {
        return (home.desktop() / name).native();
    }
    std::string inQuarantine(const std::string& name) const {
        return (home.quarantine() / name).native();
    }

    CliHome home;
};

// The quarantined file can be named by where it lies now or by where it came from; a file
// that took its place meanwhile is never replaced.
TEST_F(ChangeCommands, RemoveNowRecordsTheMoveAndRestorePutsTheFileBackKept) {
    writeFile(home.desktop() / "report.txt", "quarterly");
    const std::string origin = onDesktop("report.txt");
    const ProcessResult removed = home.run({"remove-now", origin});
    EXPECT_EQ(removed.exitCode, 0) << removed.describe();
    EXPECT_EQ(removed.out, "Moved " + origin + " to " + inQuarantine("report.txt") + "\n");
    EXPECT_FALSE(fs::exists(origin));
    const json history = home.readHistory();
    ASSERT_EQ(history.size(), 1u) << history;
    EXPECT_EQ(history[0]["kind"], "quarantined");
    EXPECT_EQ(history[0]["originalPath"], origin);
    EXPECT_EQ(history[0]["quarantinePath"], inQuarantine("report.txt"));
    EXPECT_EQ(history[0]["size"], 9);
    EXPECT_TRUE(isUuid(history[0]["sweepID"]));
    EXPECT_EQ(home.readConfig()["timers"], json::object()) << "the one-off deadline is tidied";

    const ProcessResult restored = home.run({"restore", inQuarantine("report.txt")});
    EXPECT_EQ(restored.exitCode, 0) << restored.describe();
    EXPECT_EQ(restored.out, "Restored " + origin + "\n");
    EXPECT_EQ(readFile(origin), "quarterly");
    EXPECT_FALSE(fs::exists(inQuarantine("report.txt")));
    EXPECT_TRUE(contains(home.readConfig()["pins"], origin));
    const auto entry = entriesOfKind(home.readHistory(), "restored").back();
    EXPECT_EQ(entry["originalPath"], origin);
    EXPECT_EQ(entry["quarantinePath"], inQuarantine("report.txt"));
    // Kept: the rule that claims it lets it be.
    setModificationDate(origin, std::chrono::system_clock::now() - std::chrono::hours(1));
    EXPECT_EQ(home.run({"scan"}).out, "Nothing would leave.\n");

    ASSERT_EQ(home.run({"remove-now", origin}).exitCode, 0);
    writeFile(origin, "a newer file with the same name");
    const ProcessResult byOrigin = home.run({"restore", origin});
    EXPECT_EQ(byOrigin.exitCode, 0) << byOrigin.describe();
    const std::string numbered = onDesktop("report (1).txt");
    EXPECT_EQ(byOrigin.out, "Restored " + numbered + "\n");
    EXPECT_EQ(readFile(origin), "a newer file with the same name") << "never replaced";
    EXPECT_EQ(readFile(numbered), "quarterly");
    EXPECT_TRUE(contains(home.readConfig()["pins"], numbered));
    EXPECT_EQ(entriesOfKind(home.readHistory(), "restored").back()["originalPath"], numbered);
}

TEST_F(ChangeCommands, RestoreOfAFileOfUnknownOriginGoesToDownloads) {
    writeFile(home.quarantine() / "stray.txt", "stray");
    const ProcessResult listed = home.run({"quarantine"});
    EXPECT_NE(listed.out.find(inQuarantine("stray.txt") + "  origin unknown"), std::string::npos)
        << listed.out;
    const ProcessResult result = home.run({"restore", inQuarantine("stray.txt")});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    const std::string downloaded = (home.home() / "Downloads/stray.txt").native();
    EXPECT_EQ(result.out, "Restored " + downloaded + "\n");
    EXPECT_EQ(readFile(downloaded), "stray");
    EXPECT_TRUE(contains(home.readConfig()["pins"], downloaded));
}

TEST_F(ChangeCommands, UndoWithoutIdUndoesTheNewestSweepThatMovedFiles) {
    const ProcessResult nothing = home.run({"undo"});
    EXPECT_EQ(nothing.exitCode, 0) << nothing.describe();
    EXPECT_EQ(nothing.out, "No sweep has moved anything yet; nothing to undo.\n");

    makeOldFiles(home.desktop(), 1); // note-0001.txt
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 1 file to quarantine (13 bytes):");
    fs::rename(home.quarantine() / "note-0001.txt", home.quarantine() / "first.txt");
    fs::rename(home.desktop(), home.home() / "Earlier");
    makeOldFiles(home.desktop(), 2); // note-0001.txt, note-0002.txt again
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 2 files to quarantine (26 bytes):");
    ASSERT_EQ(home.run({"sweep"}).out, "") << "a sweep that moved nothing";

    const ProcessResult result = home.run({"undo"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    auto lines = result.outLines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"Restored " + onDesktop("note-0001.txt"),
                                               "Restored " + onDesktop("note-0002.txt")}))
        << result.out;
    EXPECT_EQ(readFile(onDesktop("note-0002.txt")), "note-0002.txt");
    EXPECT_TRUE(fs::exists(home.quarantine() / "first.txt")) << "an older sweep stays undone";
    const json pins = home.readConfig()["pins"];
    EXPECT_EQ(std::set<std::string>(pins.begin(), pins.end()),
              (std::set<std::string>{onDesktop("note-0001.txt"), onDesktop("note-0002.txt")}));
}

// Paths are meant from the caller's folder, wherever the command is carried out.
TEST_F(ChangeCommands, KeepUnkeepAndRemoveNowTakePathsFromTheCallersFolder) {
    makeOldFiles(home.desktop(), 2);
    const ProcessResult kept =
        home.run({"keep", "note-0001.txt", "./sub/../note-0002.txt"}, home.desktop());
    EXPECT_EQ(kept.exitCode, 0) << kept.describe();
    EXPECT_EQ(kept.out, "Keeping " + onDesktop("note-0001.txt") + "\nKeeping " +
                            onDesktop("note-0002.txt") + "\n");
    EXPECT_EQ(home.readConfig()["pins"],
              json::array({onDesktop("note-0001.txt"), onDesktop("note-0002.txt")}));
    EXPECT_EQ(home.run({"sweep"}).out, "");

    const ProcessResult unkept = home.run({"unkeep", onDesktop("note-0001.txt")});
    EXPECT_EQ(unkept.exitCode, 0) << unkept.describe();
    EXPECT_EQ(unkept.out, "No longer keeping " + onDesktop("note-0001.txt") + "\n");
    EXPECT_EQ(home.readConfig()["pins"], json::array({onDesktop("note-0002.txt")}));

    const ProcessResult removed = home.run({"remove-now", "Desktop/note-0002.txt"}, home.home());
    EXPECT_EQ(removed.exitCode, 0) << removed.describe();
    EXPECT_TRUE(fs::exists(inQuarantine("note-0002.txt")));
}

TEST_F(ChangeCommands, CommandsRunAtTheSameTimeTakeTurns) {
    // Each one reads config.json, changes it and writes it back; without the lock one
    // would overwrite another's change.
    const auto names = makeOldFiles(home.desktop(), 6);
    std::vector<std::unique_ptr<DustlynProcess>> running;
    for (const auto& name : names)
        running.push_back(home.start({"keep", onDesktop(name)}));
    for (auto& process : running)
        EXPECT_EQ(process->wait(DustlynProcess::Clock::now() + std::chrono::seconds(30)).exitCode,
                  0);
    const json pins = home.readConfig()["pins"];
    EXPECT_EQ(pins.size(), names.size()) << pins;
    for (const auto& name : names)
        EXPECT_TRUE(contains(pins, onDesktop(name))) << name;
}

TEST_F(ChangeCommands, TimerSetsAOneOffDeadline) {
    writeFile(home.desktop() / "later.pdf", "x");
    const long long before = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    const ProcessResult result = home.run({"timer", onDesktop("later.pdf"), "10m"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    EXPECT_TRUE(result.out.starts_with(onDesktop("later.pdf") + " leaves in ")) << result.out;
    const long long due = utcSeconds(home.readConfig()["timers"][onDesktop("later.pdf")]);
    EXPECT_GE(due, before + 599);
    EXPECT_LE(due, before + 600 + 30);
    const json report = parseOrDiscard(home.run({"scan", "--json"}).out);
    EXPECT_EQ(report["matchedCount"], 1) << "the timer claims a file no rule claims";
}

TEST_F(ChangeCommands, SweepJsonHasTheReportsShape) {
    makeOldFiles(home.desktop(), 1);
    writeFile(home.quarantine() / "expired.bin", "stale!");
    setModificationDate(home.quarantine() / "expired.bin",
                        std::chrono::system_clock::now() - std::chrono::hours(24 * 30));

    const ProcessResult result = home.run({"sweep", "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    const json sweep = parseOrDiscard(result.out);
    ASSERT_TRUE(sweep.is_object()) << result.describe();
    EXPECT_EQ(keysOf(sweep), (std::set<std::string>{"sweepID", "quarantine", "purge"}));
    EXPECT_TRUE(isUuid(sweep["sweepID"]));
    const json& moved = sweep["quarantine"];
    EXPECT_EQ(keysOf(moved),
              (std::set<std::string>{"outcomes", "movedCount", "movedSize", "failedCount"}));
    EXPECT_EQ(moved["movedCount"], 1);
    EXPECT_EQ(moved["movedSize"], 13);
    EXPECT_EQ(moved["failedCount"], 0);
    EXPECT_EQ(moved["outcomes"], json::array({{{"original", onDesktop("note-0001.txt")},
                                               {"quarantined", inQuarantine("note-0001.txt")},
                                               {"success", true}}}));
    const json& purged = sweep["purge"];
    EXPECT_EQ(keysOf(purged),
              (std::set<std::string>{"outcomes", "purgedCount", "purgedSize", "failedCount"}));
    EXPECT_EQ(purged["purgedCount"], 1);
    EXPECT_EQ(purged["purgedSize"], 6);
    ASSERT_EQ(purged["outcomes"].size(), 1u);
    const json& outcome = purged["outcomes"][0];
    EXPECT_EQ(keysOf(outcome), (std::set<std::string>{"file", "success"}));
    EXPECT_EQ(keysOf(outcome["file"]), (std::set<std::string>{"url", "size", "ageBasisDate",
                                                              "ruleID", "isEligible", "deadline"}));
    EXPECT_EQ(outcome["file"]["url"], inQuarantine("expired.bin"));
    EXPECT_FALSE(fs::exists(home.quarantine() / "expired.bin"));

    // The history holds both, the move under this sweep's identifier.
    const json history = home.readHistory();
    const auto quarantined = entriesOfKind(history, "quarantined");
    ASSERT_EQ(quarantined.size(), 1u) << history;
    EXPECT_EQ(quarantined[0]["sweepID"], sweep["sweepID"]);
    EXPECT_EQ(quarantined[0]["ruleName"], "Old notes");
    const auto deleted = entriesOfKind(history, "deleted");
    ASSERT_EQ(deleted.size(), 1u) << history;
    EXPECT_EQ(deleted[0]["quarantinePath"], inQuarantine("expired.bin"));
}

// The quarantine setting names a plain file, so no move can succeed. Exit 1 names the file
// and the reason, even when --quiet; nothing else changes for the file, so a failed
// remove-now leaves it kept and with no timer that would make it leave later.
TEST_F(ChangeCommands, AMoveThatFailsExitsOneNamingTheFileAndChangesNothingElse) {
    writeFile(home.home() / "not-a-folder", "x");
    const std::string path = onDesktop("note-0001.txt");
    const std::string precious = onDesktop("precious.pdf");
    writeFile(precious, "precious");
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                      {"quarantineDirectory", "~/not-a-folder"},
                      {"pins", {precious}}});
    makeOldFiles(home.desktop(), 1);

    for (const char* option : {"--verbose", "--quiet"}) {
        SCOPED_TRACE(option);
        const ProcessResult result = home.run({"sweep", option});
        EXPECT_EQ(result.exitCode, 1) << result.describe();
        EXPECT_EQ(result.err, "Could not move " + path + ": Not a directory\n");
        EXPECT_EQ(readFile(path), "note-0001.txt") << "the file stays where it was";
        EXPECT_FALSE(fs::exists(home.historyFile())) << "nothing moved, nothing recorded";
    }
    const json sweep = parseOrDiscard(home.run({"sweep", "--json"}).out);
    const json& outcome = sweep["quarantine"]["outcomes"][0];
    EXPECT_EQ(keysOf(outcome), (std::set<std::string>{"original", "success", "error"}))
        << "a failed outcome has no quarantine location";
    EXPECT_EQ(outcome["error"], "Not a directory");
    EXPECT_EQ(sweep["quarantine"]["failedCount"], 1);

    EXPECT_EQ(home.run({"remove-now", precious}).exitCode, 1);
    EXPECT_EQ(readFile(precious), "precious");
    const json after = home.readConfig();
    EXPECT_EQ(after["pins"], json::array({precious})) << "still kept";
    EXPECT_EQ(after["timers"], json::object()) << "no timer left to fire later";
}

struct Refusal {
    std::vector<std::string> words; // FILE, FOLDER and ODD stand for the paths below
    int exitCode;
    std::string says;
};

// What cannot be done exits 2 (1 when the cause lies outside the command line) with one line
// that names it, and changes nothing: no setting, no file, no history.
TEST_F(ChangeCommands, RefusalsSayWhyInOneLineAndChangeNothing) {
    writeFile(home.desktop() / "later.pdf", "x");
    fs::create_directories(home.desktop() / "Projects");
    const std::string odd = onDesktop(std::string("caf\xe9.txt"));
    writeFile(odd, "odd");
    setModificationDate(odd, std::chrono::system_clock::now() - std::chrono::hours(1));
    const std::string before = readFile(home.configFile());
    const std::string folderSays = " is a folder; Dustlyn keeps, times and moves files, one by one";
    const std::vector<Refusal> rows = {
        {{"restore", onDesktop("never-there.txt")}, 2, onDesktop("never-there.txt")},
        {{"undo", "not-a-sweep"}, 2, "'not-a-sweep' is not a sweep id"},
        {{"undo", "5A0C7D2E-1A2B-4C3D-8E9F-A0B1C2D3E4F5"},
         2,
         "no sweep 5A0C7D2E-1A2B-4C3D-8E9F-A0B1C2D3E4F5 in the history"},
        {{"keep", onDesktop("missing.txt")}, 2, "no such file: " + onDesktop("missing.txt")},
        {{"unkeep", onDesktop("later.pdf")}, 2, onDesktop("later.pdf")},
        {{"timer", "FILE", "soon"}, 2, "'soon' is not a duration"},
        {{"timer", "FILE", "10x"}, 2, "'10x' is not a duration"},
        {{"timer", "FILE", "m"}, 2, "'m' is not a duration"},
        {{"timer", "FILE", ""}, 2, "'' is not a duration"},
        {{"timer", "FILE", "nan"}, 2, "'nan' is not a duration"},
        {{"timer", "FILE", "200000w"}, 2, "'200000w' is not a duration"},
        {{"timer", "FILE", "-5m"}, 2, "unknown option -5m"}, // read as an option
        {{"keep", "FOLDER"}, 2, "dustlyn keep: " + onDesktop("Projects") + folderSays},
        {{"timer", "FOLDER", "1h"}, 2, "dustlyn timer: " + onDesktop("Projects") + folderSays},
        {{"remove-now", "FOLDER"}, 2, "dustlyn remove-now: " + onDesktop("Projects") + folderSays},
        {{"remove-now", "ODD"}, 2, "the path is not valid UTF-8"},
        {{"pause"}, 2, "Dustlyn is not running, so there is nothing to pause"},
        {{"resume"}, 2, "Dustlyn is not running, so there is nothing to resume"},
        {{"open"}, 1, "Dustlyn is not running (start it with `dustlyn`)"},
        {{"history", "--limit", "x"}, 2, "--limit wants a whole number, such as --limit 20"},
        {{"history", "--limit", "-1"}, 2, "--limit 20"},
        {{"history", "--limit", "1.5"}, 2, "--limit 20"},
        {{"history", "--limit", "3 "}, 2, "--limit 20"},
    };
    for (auto row : rows) {
        for (auto& word : row.words)
            word = word == "FILE"     ? onDesktop("later.pdf")
                   : word == "FOLDER" ? onDesktop("Projects")
                   : word == "ODD"    ? odd
                                      : word;
        SCOPED_TRACE(row.words.front() + " " + (row.words.size() > 1 ? row.words.back() : ""));
        expectRefused(home.run(row.words), row.exitCode, row.says);
    }
    EXPECT_EQ(readFile(home.configFile()), before);
    EXPECT_TRUE(fs::is_directory(home.desktop() / "Projects"));
    // The name that is not UTF-8 cannot be recorded, so no sweep moves it either.
    EXPECT_EQ(home.run({"sweep"}).out, "");
    EXPECT_EQ(readFile(odd), "odd");
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
    EXPECT_FALSE(fs::exists(home.historyFile()));
}

} // namespace
} // namespace dustlyn::testing

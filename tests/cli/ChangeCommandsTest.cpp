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

TEST_F(ChangeCommands, RemoveNowMovesTheFileIntoTheQuarantineAndRecordsIt) {
    writeFile(home.desktop() / "report.pdf", "quarterly");
    const ProcessResult result = home.run({"remove-now", onDesktop("report.pdf")});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    EXPECT_EQ(result.out,
              "Moved " + onDesktop("report.pdf") + " to " + inQuarantine("report.pdf") + "\n");
    EXPECT_FALSE(fs::exists(onDesktop("report.pdf")));
    EXPECT_EQ(readFile(inQuarantine("report.pdf")), "quarterly");

    const json history = home.readHistory();
    ASSERT_EQ(history.size(), 1u) << history;
    EXPECT_EQ(history[0]["kind"], "quarantined");
    EXPECT_EQ(history[0]["originalPath"], onDesktop("report.pdf"));
    EXPECT_EQ(history[0]["quarantinePath"], inQuarantine("report.pdf"));
    EXPECT_EQ(history[0]["size"], 9);
    EXPECT_TRUE(isUuid(history[0]["sweepID"]));
    EXPECT_EQ(home.readConfig()["timers"], json::object()) << "the one-off deadline is tidied";
}

TEST_F(ChangeCommands, RestorePutsTheFileBackAndKeepsIt) {
    // The quarantined file can be named by where it lies now or by where it came from.
    for (const bool byOrigin : {false, true}) {
        SCOPED_TRACE(byOrigin ? "named by its origin" : "named by its quarantine path");
        makeOldFiles(home.desktop(), 1);
        const std::string origin = onDesktop("note-0001.txt");
        ASSERT_EQ(home.run({"remove-now", origin}).exitCode, 0);
        ASSERT_TRUE(fs::exists(inQuarantine("note-0001.txt")));

        const ProcessResult result =
            home.run({"restore", byOrigin ? origin : inQuarantine("note-0001.txt")});
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        EXPECT_EQ(result.out, "Restored " + origin + "\n");
        EXPECT_EQ(readFile(origin), "note-0001.txt");
        EXPECT_FALSE(fs::exists(inQuarantine("note-0001.txt")));
        EXPECT_TRUE(contains(home.readConfig()["pins"], origin)) << home.readConfig();
        const auto restored = entriesOfKind(home.readHistory(), "restored");
        ASSERT_FALSE(restored.empty());
        EXPECT_EQ(restored.back()["originalPath"], origin);
        EXPECT_EQ(restored.back()["quarantinePath"], inQuarantine("note-0001.txt"));
        // Kept: the rule that claimed it an hour old lets it be.
        EXPECT_EQ(home.run({"scan"}).out, "Nothing would leave.\n");
        ASSERT_EQ(home.run({"unkeep", origin}).exitCode, 0);
        fs::remove(origin);
    }
}

TEST_F(ChangeCommands, RestoreOfSomethingNotInTheQuarantineExitsTwo) {
    const ProcessResult result = home.run({"restore", onDesktop("never-there.txt")});
    EXPECT_EQ(result.exitCode, 2) << result.describe();
    ASSERT_EQ(result.errLines().size(), 1u) << result.describe();
    EXPECT_NE(result.err.find(onDesktop("never-there.txt")), std::string::npos) << result.err;
}

TEST_F(ChangeCommands, UndoWithoutIdUndoesTheNewestSweepThatMovedFiles) {
    makeOldFiles(home.desktop(), 1); // note-0001.txt
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 1 file to quarantine (13 bytes):");
    fs::rename(home.quarantine() / "note-0001.txt", home.quarantine() / "first.txt");
    fs::rename(home.desktop(), home.home() / "Earlier");
    makeOldFiles(home.desktop(), 2); // note-0001.txt, note-0002.txt again
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 2 files to quarantine (26 bytes):");
    ASSERT_EQ(home.run({"sweep"}).out, "") << "a sweep that moved nothing";

    const ProcessResult result = home.run({"undo"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    // One line per file, in the order the sweep moved them.
    auto lines = result.outLines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"Restored " + onDesktop("note-0001.txt"),
                                               "Restored " + onDesktop("note-0002.txt")}))
        << result.out;
    EXPECT_EQ(readFile(onDesktop("note-0001.txt")), "note-0001.txt");
    EXPECT_EQ(readFile(onDesktop("note-0002.txt")), "note-0002.txt");
    EXPECT_TRUE(fs::exists(home.quarantine() / "first.txt")) << "an older sweep stays undone";
    const json pins = home.readConfig()["pins"];
    EXPECT_TRUE(contains(pins, onDesktop("note-0001.txt"))) << pins;
    EXPECT_TRUE(contains(pins, onDesktop("note-0002.txt"))) << pins;
    EXPECT_EQ(pins.size(), 2u) << pins;
}

TEST_F(ChangeCommands, UndoWithNothingToUndoOrABadIdSaysSo) {
    const ProcessResult nothing = home.run({"undo"});
    EXPECT_EQ(nothing.exitCode, 0) << nothing.describe();
    EXPECT_EQ(nothing.out, "No sweep has moved anything yet; nothing to undo.\n");

    const ProcessResult bad = home.run({"undo", "not-a-sweep"});
    EXPECT_EQ(bad.exitCode, 2) << bad.describe();
    ASSERT_EQ(bad.errLines().size(), 1u) << bad.describe();
    EXPECT_NE(bad.err.find("not-a-sweep"), std::string::npos);
}

TEST_F(ChangeCommands, KeepOfAMissingPathExitsTwoNamingThePath) {
    const std::string missing = onDesktop("missing.txt");
    const std::string before = readFile(home.configFile());
    const ProcessResult result = home.run({"keep", missing});
    EXPECT_EQ(result.exitCode, 2) << result.describe();
    EXPECT_EQ(result.out, "");
    ASSERT_EQ(result.errLines().size(), 1u) << result.describe();
    EXPECT_NE(result.err.find(missing), std::string::npos) << result.err;
    EXPECT_EQ(readFile(home.configFile()), before) << "nothing changed";
}

TEST_F(ChangeCommands, KeepAndUnkeep) {
    makeOldFiles(home.desktop(), 1);
    const std::string path = onDesktop("note-0001.txt");
    const ProcessResult kept = home.run({"keep", path});
    EXPECT_EQ(kept.exitCode, 0) << kept.describe();
    EXPECT_EQ(kept.out, "Keeping " + path + "\n");
    EXPECT_TRUE(contains(home.readConfig()["pins"], path));
    EXPECT_EQ(home.run({"sweep"}).out, "");
    EXPECT_TRUE(fs::exists(path));

    const ProcessResult unkept = home.run({"unkeep", path});
    EXPECT_EQ(unkept.exitCode, 0) << unkept.describe();
    EXPECT_EQ(unkept.out, "No longer keeping " + path + "\n");
    EXPECT_FALSE(contains(home.readConfig()["pins"], path));

    const ProcessResult again = home.run({"unkeep", path});
    EXPECT_EQ(again.exitCode, 2) << again.describe();
    EXPECT_EQ(again.errLines().size(), 1u) << again.describe();
}

TEST_F(ChangeCommands, CommandsRunAtTheSameTimeTakeTurns) {
    // Each one reads config.json, changes it and writes it back; without the lock one
    // would overwrite another's change.
    const auto names = makeOldFiles(home.desktop(), 6);
    std::vector<std::unique_ptr<DustlynProcess>> running;
    for (const auto& name : names)
        running.push_back(home.start({"keep", onDesktop(name)}));
    for (auto& process : running) {
        const ProcessResult result =
            process->wait(DustlynProcess::Clock::now() + std::chrono::seconds(30));
        EXPECT_EQ(result.exitCode, 0) << result.describe();
    }
    const json pins = home.readConfig()["pins"];
    EXPECT_EQ(pins.size(), names.size()) << pins;
    for (const auto& name : names)
        EXPECT_TRUE(contains(pins, onDesktop(name))) << name;
}

TEST_F(ChangeCommands, TimerWithABadDurationExitsTwo) {
    writeFile(home.desktop() / "later.pdf", "x");
    const std::string before = readFile(home.configFile());
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"soon", "'soon' is not a duration"},
        {"10x", "'10x' is not a duration"},
        {"m", "'m' is not a duration"},
        {"", "'' is not a duration"},
        {"nan", "'nan' is not a duration"},
        {"200000w", "'200000w' is not a duration"},
        // Read as an option, which is just as wrong.
        {"-5m", "unknown option -5m"},
    };
    for (const auto& [duration, message] : cases) {
        SCOPED_TRACE(duration);
        const ProcessResult result = home.run({"timer", onDesktop("later.pdf"), duration});
        EXPECT_EQ(result.exitCode, 2) << result.describe();
        EXPECT_EQ(result.out, "");
        ASSERT_EQ(result.errLines().size(), 1u) << result.describe();
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    EXPECT_EQ(readFile(home.configFile()), before);
}

TEST_F(ChangeCommands, TimerSetsAOneOffDeadline) {
    writeFile(home.desktop() / "later.pdf", "x");
    const long long before = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    const ProcessResult result = home.run({"timer", onDesktop("later.pdf"), "10m"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    EXPECT_EQ(result.out.rfind(onDesktop("later.pdf") + " leaves in ", 0), 0u) << result.out;
    const json timers = home.readConfig()["timers"];
    ASSERT_TRUE(timers.contains(onDesktop("later.pdf"))) << timers;
    const long long due = utcSeconds(timers[onDesktop("later.pdf")]);
    EXPECT_GE(due, before + 599);
    EXPECT_LE(due, before + 600 + 30);
    const json report = parseOrDiscard(home.run({"scan", "--json"}).out);
    ASSERT_TRUE(report.is_object());
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
    ASSERT_EQ(moved["outcomes"].size(), 1u);
    EXPECT_EQ(moved["outcomes"][0], json({{"original", onDesktop("note-0001.txt")},
                                          {"quarantined", inQuarantine("note-0001.txt")},
                                          {"success", true}}));

    const json& purged = sweep["purge"];
    EXPECT_EQ(keysOf(purged),
              (std::set<std::string>{"outcomes", "purgedCount", "purgedSize", "failedCount"}));
    EXPECT_EQ(purged["purgedCount"], 1);
    EXPECT_EQ(purged["purgedSize"], 6);
    ASSERT_EQ(purged["outcomes"].size(), 1u);
    const json& outcome = purged["outcomes"][0];
    EXPECT_EQ(keysOf(outcome), (std::set<std::string>{"file", "success"}));
    EXPECT_EQ(outcome["success"], true);
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

TEST_F(ChangeCommands, ANameThatIsNotUtf8IsNeverMoved) {
    const std::string odd = onDesktop(std::string("caf\xe9.txt"));
    writeFile(odd, "odd");
    setModificationDate(odd, std::chrono::system_clock::now() - std::chrono::hours(1));

    EXPECT_EQ(home.run({"sweep"}).out, "");
    const ProcessResult removal = home.run({"remove-now", odd});
    EXPECT_EQ(removal.exitCode, 2) << removal.describe();
    EXPECT_EQ(removal.errLines().size(), 1u) << removal.describe();
    EXPECT_EQ(readFile(odd), "odd");
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

TEST_F(ChangeCommands, RestoreWhereTheOriginIsTakenPicksAFreeName) {
    makeOldFiles(home.desktop(), 1);
    const std::string origin = onDesktop("note-0001.txt");
    ASSERT_EQ(home.run({"remove-now", origin}).exitCode, 0);
    writeFile(origin, "a newer file with the same name");

    const ProcessResult result = home.run({"restore", inQuarantine("note-0001.txt")});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    const std::string numbered = onDesktop("note-0001 (1).txt");
    EXPECT_EQ(result.out, "Restored " + numbered + "\n");
    EXPECT_EQ(readFile(origin), "a newer file with the same name") << "never replaced";
    EXPECT_EQ(readFile(numbered), "note-0001.txt");
    const json config = home.readConfig();
    EXPECT_TRUE(contains(config["pins"], numbered)) << config;
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

TEST_F(ChangeCommands, PathsAreMeantFromTheCallersFolder) {
    makeOldFiles(home.desktop(), 2);
    const ProcessResult kept =
        home.run({"keep", "note-0001.txt", "./sub/../note-0002.txt"}, home.desktop());
    EXPECT_EQ(kept.exitCode, 0) << kept.describe();
    EXPECT_EQ(kept.out, "Keeping " + onDesktop("note-0001.txt") + "\nKeeping " +
                            onDesktop("note-0002.txt") + "\n");
    EXPECT_EQ(home.readConfig()["pins"],
              json::array({onDesktop("note-0001.txt"), onDesktop("note-0002.txt")}));

    const ProcessResult removed = home.run({"remove-now", "Desktop/note-0001.txt"}, home.home());
    EXPECT_EQ(removed.exitCode, 0) << removed.describe();
    EXPECT_TRUE(fs::exists(inQuarantine("note-0001.txt")));
}

TEST_F(ChangeCommands, ASweepThatCannotMoveExitsOneNamingTheFileAndTheReason) {
    // The quarantine setting names a plain file, so no folder can be made there.
    writeFile(home.home() / "not-a-folder", "x");
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                      {"quarantineDirectory", "~/not-a-folder"}});
    makeOldFiles(home.desktop(), 1);
    const std::string path = onDesktop("note-0001.txt");

    const ProcessResult result = home.run({"sweep"});
    EXPECT_EQ(result.exitCode, 1) << result.describe();
    ASSERT_EQ(result.errLines().size(), 1u) << result.describe();
    EXPECT_EQ(result.errLines()[0], "Could not move " + path + ": Not a directory");
    EXPECT_EQ(readFile(path), "note-0001.txt") << "the file stays where it was";
    EXPECT_FALSE(fs::exists(home.historyFile())) << "nothing moved, nothing recorded";

    const json sweep = parseOrDiscard(home.run({"sweep", "--json"}).out);
    ASSERT_TRUE(sweep.is_object());
    const json& outcome = sweep["quarantine"]["outcomes"][0];
    EXPECT_EQ(keysOf(outcome), (std::set<std::string>{"original", "success", "error"}))
        << "a failed outcome has no quarantine location";
    EXPECT_EQ(outcome["error"], "Not a directory");
    EXPECT_EQ(sweep["quarantine"]["failedCount"], 1);
}

// Exit 1 means nothing else changed for that file: a remove-now whose move fails leaves the
// file kept and without a timer that would make it leave at a later sweep.
TEST_F(ChangeCommands, AFailedRemoveNowChangesNothingElseForTheFile) {
    writeFile(home.home() / "not-a-folder", "x");
    writeFile(home.desktop() / "precious.pdf", "precious");
    const std::string path = onDesktop("precious.pdf");
    ASSERT_EQ(home.run({"keep", path}).exitCode, 0);
    json config = home.readConfig();
    config["quarantineDirectory"] = "~/not-a-folder";
    home.writeConfig(config);

    const ProcessResult result = home.run({"remove-now", path});
    EXPECT_EQ(result.exitCode, 1) << result.describe();
    EXPECT_EQ(readFile(path), "precious");
    const json after = home.readConfig();
    EXPECT_EQ(after["pins"], json::array({path})) << "still kept";
    EXPECT_EQ(after["timers"], json::object()) << "no timer left to fire later";
}

// A folder is refused before anything changes: no timer is left that no sweep would act on.
// Kept and timed are about files: a folder would be "kept" while its files still leave.
TEST_F(ChangeCommands, AFolderIsNeitherKeptTimedNorMovedAndNothingIsSaved) {
    fs::create_directories(home.desktop() / "Projects");
    const std::string before = readFile(home.configFile());
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"keep", onDesktop("Projects")},
          {"timer", onDesktop("Projects"), "1h"},
          {"remove-now", onDesktop("Projects")}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 2) << result.describe();
        EXPECT_EQ(result.err, "dustlyn " + words.front() + ": " + onDesktop("Projects") +
                                  " is a folder; Dustlyn keeps, times and moves files, one by "
                                  "one\n");
        EXPECT_TRUE(fs::is_directory(home.desktop() / "Projects"));
        EXPECT_EQ(readFile(home.configFile()), before);
    }
}

TEST_F(ChangeCommands, ADamagedHistoryIsSetAsideNotLost) {
    const std::string garbage = "[{\"id\": oops";
    writeFile(home.historyFile(), garbage);
    EXPECT_EQ(home.run({"history", "--json"}).out, "[]\n");
    makeOldFiles(home.desktop(), 1);

    const ProcessResult result = home.run({"sweep"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    EXPECT_EQ(readFile(home.supportDirectory() / "history.json.damaged"), garbage);
    const json history = home.readHistory();
    ASSERT_EQ(history.size(), 1u) << history;
    EXPECT_EQ(history[0]["originalPath"], onDesktop("note-0001.txt"));
}

} // namespace
} // namespace dustlyn::testing

#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dustlyn::testing {
namespace {

// No instance runs: every command carries out its change itself, under the lock.
class ChangeCommands : public ::testing::Test {
protected:
    void SetUp() override { home.writeRule(); }
    CliHome home;
};

// The quarantined file can be named by where it lies now or by where it came from. (How the
// moves are recorded, and where a name taken meanwhile sends a file, the model's tests tell.)
TEST_F(ChangeCommands, RemoveNowMovesTheFileAndRestorePutsItBackKept) {
    writeFile(home.desktop() / "report.txt", "quarterly");
    const std::string origin = home.desk("report.txt");
    EXPECT_EQ(home.ok({"remove-now", origin}).out,
              "Moved " + origin + " to " + home.quar("report.txt") + "\n");
    EXPECT_EQ(home.readConfig()["timers"], json::object()) << "the one-off deadline is tidied";

    EXPECT_EQ(home.ok({"restore", home.quar("report.txt")}).out, "Restored " + origin + "\n");
    EXPECT_EQ(readFile(origin), "quarterly");
    EXPECT_EQ(home.readConfig()["pins"], json::array({origin}));
    home.ok({"remove-now", origin});
    EXPECT_EQ(home.ok({"restore", origin}).out, "Restored " + origin + "\n");
}

TEST_F(ChangeCommands, UndoWithoutIdUndoesTheNewestSweepThatMovedFiles) {
    EXPECT_EQ(home.ok({"undo"}).out, "No sweep has moved anything yet; nothing to undo.\n");
    makeOldFiles(home.desktop(), 1);
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 1 file to quarantine (13 bytes):");
    fs::rename(home.quarantine() / "note-0001.txt", home.quarantine() / "first.txt");
    fs::rename(home.desktop(), home.home() / "Earlier");
    makeOldFiles(home.desktop(), 2); // note-0001.txt again, and note-0002.txt
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 2 files to quarantine (26 bytes):");
    ASSERT_EQ(home.run({"sweep"}).out, "") << "a sweep that moved nothing";

    auto lines = linesOf(home.ok({"undo"}).out);
    std::sort(lines.begin(), lines.end());
    const std::vector<std::string> both = {home.desk("note-0001.txt"), home.desk("note-0002.txt")};
    EXPECT_EQ(lines, (std::vector<std::string>{"Restored " + both[0], "Restored " + both[1]}));
    EXPECT_EQ(readFile(both[1]), "note-0002.txt");
    EXPECT_TRUE(fs::exists(home.quarantine() / "first.txt")) << "an older sweep stays undone";
}

// Paths are meant from the caller's folder, wherever the command is carried out, and a link
// among the folders above the file is fine: the file is named by where it really lies. A kept
// file removed now leaves with whatever else is due (note-0001.txt, kept no more).
TEST_F(ChangeCommands, KeepUnkeepAndRemoveNowTakePathsFromTheCallersFolder) {
    makeOldFiles(home.desktop(), 2);
    const std::string one = home.desk("note-0001.txt"), two = home.desk("note-0002.txt");
    EXPECT_EQ(home.ok({"keep", "note-0001.txt", "./sub/../note-0002.txt"}, home.desktop()).out,
              "Keeping " + one + "\nKeeping " + two + "\n");
    EXPECT_EQ(home.readConfig()["pins"], json::array({one, two}));
    EXPECT_EQ(home.run({"sweep"}).out, "");
    EXPECT_EQ(home.ok({"unkeep", one}).out, "No longer keeping " + one + "\n");
    EXPECT_EQ(home.readConfig()["pins"], json::array({two}));
    fs::create_directory_symlink(home.desktop(), home.home() / "Linked");
    EXPECT_EQ(firstLine(home.ok({"remove-now", "Linked/note-0002.txt"}, home.home()).out),
              "Moved " + two + " to " + home.quar("note-0002.txt"));
    EXPECT_EQ(home.readConfig()["pins"], json::array())
        << "a kept file removed now is kept no more";
}

// Each one reads config.json, changes it and writes it back; without the lock one would
// overwrite another's change.
TEST_F(ChangeCommands, CommandsRunAtTheSameTimeTakeTurns) {
    const auto names = makeOldFiles(home.desktop(), 6);
    std::vector<std::unique_ptr<DustlynProcess>> running;
    json expected = json::array();
    for (const auto& name : names) {
        running.push_back(home.start({"keep", home.desk(name)}));
        expected.push_back(home.desk(name));
    }
    for (auto& process : running)
        EXPECT_EQ(process->wait(Clock::now() + 30s).exitCode, 0);
    json pins = home.readConfig()["pins"];
    std::sort(pins.begin(), pins.end());
    EXPECT_EQ(pins, expected);
}

// The reports themselves are written as the core's tests show; the sweep puts both under its
// identifier.
TEST_F(ChangeCommands, SweepJsonHoldsBothReportsUnderTheSweepsIdentifier) {
    makeOldFiles(home.desktop(), 1);
    writeFile(home.quarantine() / "expired.bin", "stale!");
    setModificationDate(home.quarantine() / "expired.bin",
                        std::chrono::system_clock::now() - std::chrono::hours(24 * 30));
    const json sweep = parseOrDiscard(home.ok({"sweep", "--json"}).out);
    EXPECT_EQ(keysOf(sweep), (std::set<std::string>{"sweepID", "quarantine", "purge"}));
    EXPECT_EQ(sweep["sweepID"], home.readHistory().at(0)["sweepID"]);
    EXPECT_EQ(sweep["quarantine"]["outcomes"][0]["quarantined"], home.quar("note-0001.txt"));
    EXPECT_EQ(sweep["purge"]["outcomes"][0]["file"]["url"], home.quar("expired.bin"));
}

// The quarantine setting names a plain file, so no move can succeed. Exit 1 names the file
// and the reason, even when --quiet; nothing else changes for the file, so a failed
// remove-now leaves it kept and with no timer that would make it leave later.
TEST_F(ChangeCommands, AMoveThatFailsExitsOneNamingTheFileAndChangesNothingElse) {
    writeFile(home.home() / "not-a-folder", "x");
    const std::string path = home.desk("note-0001.txt"), precious = home.desk("precious.pdf");
    writeFile(precious, "precious");
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                      {"quarantineDirectory", "~/not-a-folder"},
                      {"pins", {precious}}});
    makeOldFiles(home.desktop(), 1);
    const ProcessResult result = home.run({"sweep", "--quiet"});
    EXPECT_EQ(result.exitCode, 1) << result.describe();
    EXPECT_EQ(result.err, "Could not move " + path + ": Not a directory\n");
    EXPECT_EQ(readFile(path), "note-0001.txt");
    EXPECT_FALSE(fs::exists(home.historyFile())) << "nothing moved, nothing recorded";
    EXPECT_EQ(home.run({"remove-now", precious}).exitCode, 1);
    EXPECT_EQ(readFile(precious), "precious");
    EXPECT_EQ(home.readConfig()["pins"], json::array({precious})) << "still kept";
    EXPECT_EQ(home.readConfig()["timers"], json::object()) << "no timer left to fire later";
}

// What cannot be done exits 2 (1 when the cause lies outside the command line) with one line
// that names it, and changes nothing: no setting, no file, no history.
TEST_F(ChangeCommands, RefusalsSayWhyInOneLineAndChangeNothing) {
    writeFile(home.desktop() / "later.pdf", "x");
    fs::create_directories(home.desktop() / "Projects");
    const std::string odd = home.desk("caf\xe9.txt");
    writeFile(odd, "odd");
    const std::string before = readFile(home.configFile());
    const std::string sweepID = "5A0C7D2E-1A2B-4C3D-8E9F-A0B1C2D3E4F5";
    const struct {
        std::vector<std::string> words; // FILE, FOLDER and ODD stand for the paths above
        int exitCode;
        std::string says;
    } rows[] = {
        {{"restore", home.desk("never-there.txt")}, 2, home.desk("never-there.txt")},
        {{"undo", "not-a-sweep"}, 2, "'not-a-sweep' is not a sweep id"},
        {{"undo", sweepID}, 2, "no sweep " + sweepID + " in the history"},
        {{"keep", home.desk("missing.txt")}, 2, "no such file: " + home.desk("missing.txt")},
        {{"unkeep", "FILE"}, 2, home.desk("later.pdf")},
        {{"timer", "FILE", "soon"}, 2, "'soon' is not a duration"},
        {{"timer", "FILE", "-5m"}, 2, "unknown option -5m"}, // read as an option
        {{"keep", "FOLDER"}, 2, "Projects is a folder; Dustlyn keeps, times and moves files"},
        {{"remove-now", "ODD"}, 2, "the path is not valid UTF-8"},
        {{"pause"}, 2, "Dustlyn is not running, so there is nothing to pause"},
        {{"open"}, 1, "Dustlyn is not running (start it with `dustlyn`)"},
        {{"history", "--limit", "x"}, 2, "--limit wants a whole number, such as --limit 20"},
        {{"history", "--limit", "-1"}, 2, "--limit 20"},
        {{"history", "--limit", "3 "}, 2, "--limit 20"},
    };
    for (auto row : rows) {
        for (auto& word : row.words)
            word = word == "FILE"     ? home.desk("later.pdf")
                   : word == "FOLDER" ? home.desk("Projects")
                   : word == "ODD"    ? odd
                                      : word;
        SCOPED_TRACE(row.words.front() + " " + row.words.back());
        expectRefused(home.run(row.words), row.exitCode, row.says);
    }
    EXPECT_EQ(readFile(home.configFile()), before);
    EXPECT_TRUE(fs::is_directory(home.desktop() / "Projects"));
    EXPECT_EQ(readFile(odd), "odd");
}

// The rules of config.json by name, each without its identifier.
json rulesByName(const json& config) {
    json rules = json::object();
    for (json rule : config["rules"]) {
        EXPECT_TRUE(isUuid(rule["id"])) << rule;
        rule.erase("id");
        rules[rule["name"].get<std::string>()] = rule;
    }
    return rules;
}

// The rule commands in a row, each checked in config.json and by what it says: carried out
// here under the lock, or by a running instance.
class RuleCommands : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        home.writeRule();
        fs::create_directories(home.home() / "Downloads");
        if (GetParam()) {
            ASSERT_TRUE(instance = home.startInstance());
        }
    }
    void TearDown() override {
        if (instance)
            stopInstance(*instance);
    }

    CliHome home;
    std::unique_ptr<DustlynProcess> instance;
};

TEST_P(RuleCommands, EachChangeIsSavedAndSaysTheRulesSentence) {
    json rules = {{"Old notes", globRule("*.txt", "~/Desktop", 60)}};
    rules["Old notes"].erase("id");
    // Each step's change to the rules, as a merge patch (null removes a rule).
    const struct {
        std::vector<std::string> words;
        std::string says;
        json change;
    } steps[] = {
        {{"rules", "add", "Logs", "--folder", (home.home() / "Downloads").native(), "--ext", "log",
          ".txt", "--age", "3d"},
         "Added \"Logs\": Move logs from Downloads after 3 days\n",
         {{"Logs",
           {{"name", "Logs"},
            {"enabled", true},
            {"folders", {"~/Downloads"}},
            {"matchers", {{{"extensionMatch", "log"}}, {{"extensionMatch", "txt"}}}},
            {"ageThreshold", 259200},
            {"ageBasis", "modification"}}}}},
        {{"rules", "edit", "logs", "--age", "1w", "--basis", "creation", "--off"},
         "Changed \"Logs\": Move logs from Downloads after 7 days (off)\n",
         {{"Logs", {{"ageThreshold", 604800}, {"ageBasis", "creation"}, {"enabled", false}}}}},
        {{"rules", "enable", "Logs"},
         "Switched on \"Logs\": Move logs from Downloads after 7 days\n",
         {{"Logs", {{"enabled", true}}}}},
        {{"rules", "disable", "0B5E6C7D-1A2B-4C3D-8E9F-A0B1C2D3E4F5"},
         "Switched off \"Old notes\": Move old notes from Desktop after 1 min (off)\n",
         {{"Old notes", {{"enabled", false}}}}},
        {{"rules", "remove", "Logs"},
         "Removed \"Logs\": Move logs from Downloads after 7 days\n",
         {{"Logs", nullptr}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.words[1]);
        const ProcessResult result = home.ok(step.words);
        EXPECT_EQ(result.out + result.err, step.says);
        rules.merge_patch(step.change);
        EXPECT_EQ(rulesByName(home.readConfig()), rules);
    }
    // Which rules are the built-in ones, the core's tests tell.
    EXPECT_EQ(firstLine(home.ok({"rules", "reset"}).out), "The rules are the built-in ones again:");
    const json builtIn = rulesByName(home.readConfig());
    EXPECT_TRUE(builtIn.contains("Screenshots") && !builtIn.contains("Old notes")) << builtIn;
}

TEST_P(RuleCommands, ARuleAddedIsTheOneTheRunningDustlynUses) {
    makeOldFiles(home.home() / "Downloads", 1);
    home.ok({"rules", "add", "Notes", "--folder", (home.home() / "Downloads").native(), "--glob",
             "note-*", "--age", "1d"});
    // status is answered by the instance when one runs, else read from the files.
    const json status = parseOrDiscard(home.run({"status", "--json"}).out);
    EXPECT_EQ(status["running"], GetParam());
    EXPECT_EQ(status["leaving"], 1);
}

TEST_P(RuleCommands, WhatTheRuleEditorRefusesIsRefusedWithOneLineAndNothingChanges) {
    const std::string before = readFile(home.configFile());
    const std::string in = "~/Downloads";
    const std::vector<std::pair<std::vector<std::string>, const char*>> rows = {
        {{"rules", "add", "X", "--folder", in, "--age", "1h"},
         "cannot be saved: it matches no file"},
        {{"rules", "add", "old NOTES", "--folder", in, "--any", "--age", "1h"},
         "a rule is already named \"Old notes\""},
        {{"rules", "enable", "Nope"}, "no rule is named \"Nope\""},
        {{"rules", "edit", "Old notes"}, "nothing to change"},
    };
    for (const auto& [words, says] : rows) {
        SCOPED_TRACE(says);
        expectRefused(home.run(words), 2, says);
    }
    EXPECT_EQ(readFile(home.configFile()), before);
}

INSTANTIATE_TEST_SUITE_P(Cli, RuleCommands, ::testing::Bool(), [](const auto& test) {
    return std::string(test.param ? "WithAnInstance" : "WithoutAnInstance");
});

} // namespace
} // namespace dustlyn::testing

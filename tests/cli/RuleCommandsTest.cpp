#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The rules of config.json by name, each without its identifier.
std::map<std::string, json> rulesByName(const json& config) {
    std::map<std::string, json> rules;
    for (json rule : config["rules"]) {
        EXPECT_TRUE(isUuid(rule["id"])) << rule;
        rule.erase("id");
        rules[rule["name"]] = rule;
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
    const json notes = {{"name", "Old notes"},      {"enabled", true},
                        {"folders", {"~/Desktop"}}, {"matchers", {{{"glob", "*.txt"}}}},
                        {"ageThreshold", 60},       {"ageBasis", "modification"}};
    json logs = {{"name", "Logs"},
                 {"enabled", true},
                 {"folders", {"~/Downloads"}},
                 {"matchers", {{{"extensionMatch", "log"}}, {{"extensionMatch", "txt"}}}},
                 {"ageThreshold", 259200},
                 {"ageBasis", "modification"}};
    json offNotes = notes;
    offNotes["enabled"] = false;
    json weekLogs = logs;
    weekLogs.update({{"ageThreshold", 604800}, {"ageBasis", "creation"}, {"enabled", false}});
    json onLogs = weekLogs;
    onLogs["enabled"] = true;
    const struct {
        std::vector<std::string> words;
        std::string says;
        std::map<std::string, json> rules;
    } steps[] = {
        {{"rules", "add", "Logs", "--folder", (home.home() / "Downloads").native(), "--ext", "log",
          ".txt", "--age", "3d"},
         "Added \"Logs\": Move logs from Downloads after 3 days\n",
         {{"Old notes", notes}, {"Logs", logs}}},
        {{"rules", "edit", "logs", "--age", "1w", "--basis", "creation", "--off"},
         "Changed \"Logs\": Move logs from Downloads after 7 days (off)\n",
         {{"Old notes", notes}, {"Logs", weekLogs}}},
        {{"rules", "enable", "Logs"},
         "Switched on \"Logs\": Move logs from Downloads after 7 days\n",
         {{"Old notes", notes}, {"Logs", onLogs}}},
        {{"rules", "disable", "0B5E6C7D-1A2B-4C3D-8E9F-A0B1C2D3E4F5"},
         "Switched off \"Old notes\": Move old notes from Desktop after 1 min (off)\n",
         {{"Old notes", offNotes}, {"Logs", onLogs}}},
        {{"rules", "remove", "Logs"},
         "Removed \"Logs\": Move logs from Downloads after 7 days\n",
         {{"Old notes", offNotes}}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.words[1]);
        const ProcessResult result = home.ok(step.words);
        EXPECT_EQ(result.out + result.err, step.says);
        EXPECT_EQ(rulesByName(home.readConfig()), step.rules);
    }
    EXPECT_EQ(firstLine(home.ok({"rules", "reset"}).out), "The rules are the built-in ones again:");
    std::vector<std::string> names;
    const json config = home.readConfig();
    for (const auto& rule : config["rules"])
        names.push_back(rule["name"]);
    EXPECT_EQ(names, (std::vector<std::string>{"Screenshots", "Screen Recordings",
                                               "Downloads - Installers", "Downloads - Archives",
                                               "Downloads - Stale", "Desktop - Documents"}));
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
        {{"rules", "add", " ", "--folder", in, "--any", "--age", "1h"}, "it has no name"},
        {{"rules", "add", "X", "--folder", in, "--any", "--age", "0"}, "a number greater than 0"},
        {{"rules", "add", "X", "--folder", in, "--any", "--age", "soon"},
         "'soon' is not a duration"},
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

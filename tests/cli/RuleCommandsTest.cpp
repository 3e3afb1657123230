#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <functional>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const json* ruleNamed(const json& config, const std::string& name) {
    for (const auto& rule : config["rules"])
        if (rule["name"] == name)
            return &rule;
    return nullptr;
}

struct RuleStep {
    const char* what;
    std::vector<std::string> words;
    std::string says; // standard output
    std::function<void(const json& config)> check;
};

// The rule commands in a row, each checked in config.json and by what it says: carried out
// here under the lock, or by a running instance.
class RuleCommands : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
        fs::create_directories(home.home() / "Downloads");
        if (GetParam()) {
            instance = home.startInstance();
            ASSERT_TRUE(instance);
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
    const std::vector<RuleStep> steps = {
        {"add",
         {"rules", "add", "Logs", "--folder", (home.home() / "Downloads").native(), "--ext", "log",
          ".txt", "--age", "3d"},
         "Added \"Logs\": Move logs from Downloads after 3 days\n",
         [](const json& config) {
             const json* rule = ruleNamed(config, "Logs");
             ASSERT_TRUE(rule) << config;
             EXPECT_TRUE(isUuid((*rule)["id"]));
             EXPECT_EQ((*rule)["folders"], json::array({"~/Downloads"}));
             EXPECT_EQ((*rule)["matchers"],
                       json::parse(R"([{"extensionMatch": "log"}, {"extensionMatch": "txt"}])"));
             EXPECT_EQ((*rule)["ageThreshold"], 259200);
             EXPECT_EQ((*rule)["ageBasis"], "modification");
             EXPECT_EQ((*rule)["enabled"], true);
         }},
        {"edit, the name in another case",
         {"rules", "edit", "logs", "--age", "1w", "--basis", "creation", "--off"},
         "Changed \"Logs\": Move logs from Downloads after 7 days (off)\n",
         [](const json& config) {
             const json* rule = ruleNamed(config, "Logs");
             ASSERT_TRUE(rule) << config;
             EXPECT_EQ((*rule)["ageThreshold"], 604800);
             EXPECT_EQ((*rule)["ageBasis"], "creation");
             EXPECT_EQ((*rule)["enabled"], false);
             EXPECT_EQ((*rule)["matchers"].size(), 2u) << "kept as it was";
         }},
        {"enable",
         {"rules", "enable", "Logs"},
         "Switched on \"Logs\": Move logs from Downloads after 7 days\n",
         [](const json& config) { EXPECT_EQ((*ruleNamed(config, "Logs"))["enabled"], true); }},
        {"disable by id",
         {"rules", "disable", "0B5E6C7D-1A2B-4C3D-8E9F-A0B1C2D3E4F5"},
         "Switched off \"Old notes\": Move old notes from Desktop after 1 min (off)\n",
         [](const json& config) {
             EXPECT_EQ((*ruleNamed(config, "Old notes"))["enabled"], false);
         }},
        {"remove",
         {"rules", "remove", "Logs"},
         "Removed \"Logs\": Move logs from Downloads after 7 days\n",
         [](const json& config) {
             EXPECT_EQ(ruleNamed(config, "Logs"), nullptr);
             EXPECT_EQ(config["rules"].size(), 1u);
         }},
        {"reset",
         {"rules", "reset"},
         "",
         [](const json& config) {
             std::vector<std::string> names;
             for (const auto& rule : config["rules"])
                 names.push_back(rule["name"]);
             EXPECT_EQ(names,
                       (std::vector<std::string>{"Screenshots", "Screen Recordings",
                                                 "Downloads - Installers", "Downloads - Archives",
                                                 "Downloads - Stale", "Desktop - Documents"}));
         }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const ProcessResult result = home.run(step.words);
        ASSERT_EQ(result.exitCode, 0) << result.describe();
        EXPECT_EQ(result.err, "");
        if (!step.says.empty())
            EXPECT_EQ(result.out, step.says);
        else
            EXPECT_EQ(firstLine(result.out), "The rules are the built-in ones again:");
        step.check(home.readConfig());
    }
}

TEST_P(RuleCommands, ARuleAddedIsTheOneTheRunningDustlynUses) {
    makeOldFiles(home.home() / "Downloads", 1);
    const std::string folder = (home.home() / "Downloads").native();
    ASSERT_EQ(
        home.run({"rules", "add", "Notes", "--folder", folder, "--glob", "note-*", "--age", "1d"})
            .exitCode,
        0);
    // status is answered by the instance when one runs, else read from the files.
    const json status = parseOrDiscard(home.run({"status", "--json"}).out);
    ASSERT_TRUE(status.is_object());
    EXPECT_EQ(status["running"], GetParam());
    EXPECT_EQ(status["leaving"], 1);
}

struct RefusedRule {
    const char* what;
    std::vector<std::string> words;
    const char* says;
};

TEST_P(RuleCommands, WhatTheRuleEditorRefusesIsRefusedWithOneLineAndNothingChanges) {
    const std::string before = readFile(home.configFile());
    const std::string downloads = (home.home() / "Downloads").native();
    const std::vector<RefusedRule> rows = {
        {"no matcher",
         {"rules", "add", "X", "--folder", downloads, "--age", "1h"},
         "the rule cannot be saved: it matches no file"},
        {"a blank name",
         {"rules", "add", " ", "--folder", downloads, "--any", "--age", "1h"},
         "the rule cannot be saved: it has no name"},
        {"an age of nothing",
         {"rules", "add", "X", "--folder", downloads, "--any", "--age", "0"},
         "its age must be a number greater than 0"},
        {"an age that is no duration",
         {"rules", "add", "X", "--folder", downloads, "--any", "--age", "soon"},
         "--age 'soon' is not a duration"},
        {"no such rule", {"rules", "enable", "Nope"}, "no rule is named \"Nope\""},
        {"nothing to change", {"rules", "edit", "Old notes"}, "nothing to change"},
        {"a name taken, in another case",
         {"rules", "add", "old NOTES", "--folder", downloads, "--any", "--age", "1h"},
         "a rule is already named \"Old notes\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        expectRefused(home.run(row.words), 2, row.says);
    }
    EXPECT_EQ(readFile(home.configFile()), before);
}

INSTANTIATE_TEST_SUITE_P(Cli, RuleCommands, ::testing::Bool(), [](const auto& test) {
    return std::string(test.param ? "WithAnInstance" : "WithoutAnInstance");
});

} // namespace
} // namespace dustlyn::testing

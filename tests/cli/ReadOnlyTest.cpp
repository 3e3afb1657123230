#include "tests/cli/CliHome.h"
#include "tests/cli/FolderSnapshot.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::vector<std::vector<std::string>> readOnlyCommands = {
    {"quarantine"},
    {"quarantine", "--json"},
    {"history"},
    {"history", "--json"},
    {"rules"},
    {"rules", "--json"},
    {"status"},
    {"status", "--json"},
    {"scan"},
    {"scan", "--json"},
    {"scan", "--at", "2100-01-01T00:00:00Z"},
};

std::string wordsOf(const std::vector<std::string>& words) {
    std::string text = "dustlyn";
    for (const auto& word : words)
        text += " " + word;
    return text;
}

void expectEachWritesNothing(const CliHome& home) {
    for (const auto& words : readOnlyCommands) {
        SCOPED_TRACE(wordsOf(words));
        const FolderSnapshot before = FolderSnapshot::take(home.home());
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        const FolderSnapshot after = FolderSnapshot::take(home.home());
        EXPECT_TRUE(before == after) << FolderSnapshot::difference(before, after);
    }
}

TEST(ReadOnly, CommandsInAnEmptyHomeCreateNothing) {
    CliHome home;
    expectEachWritesNothing(home);
    EXPECT_FALSE(fs::exists(home.supportDirectory()));
}

TEST(ReadOnly, CommandsLeaveConfigurationHistoryAndQuarantineAlone) {
    CliHome home;
    const std::string gone = (home.desktop() / "gone.txt").native();
    // A timer for a file that no longer exists: only a sweep may drop it.
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                      {"pins", {(home.desktop() / "note-0002.txt").native()}},
                      {"timers", {{gone, "2025-03-01T09:30:00Z"}}}});
    makeOldFiles(home.desktop(), 3);
    writeFile(home.quarantine() / "earlier.txt", "earlier");
    const json history = json::array(
        {historyEntry("5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E", "quarantined",
                      home.desktop() / "earlier.txt", home.quarantine() / "earlier.txt")});
    writeFile(home.historyFile(), history.dump());
    expectEachWritesNothing(home);
    EXPECT_EQ(home.readConfig()["timers"].size(), 1u);
}

TEST(ReadOnly, CommandsLeaveDamagedFilesAsTheyAre) {
    CliHome home;
    writeFile(home.configFile(), "{\"rules\": 42}");
    writeFile(home.historyFile(), std::string("\x00\x01[{", 4));
    writeFile(home.supportDirectory() / "sweep-journal.json", "{not json");
    expectEachWritesNothing(home);
    EXPECT_FALSE(fs::exists(home.supportDirectory() / "history.json.damaged"));
}

struct MigrationCase {
    const char* what;
    std::string legacyQuarantineText; // the legacy configuration's quarantineDirectory
    bool moved;                       // the legacy quarantine comes along
    std::string expectedQuarantineText;
};

TEST(ReadOnly, TheLegacyMigrationIsTheOnlyWriteAndHappensOnce) {
    const std::vector<MigrationCase> cases = {
        {"legacy default quarantine", "~/.local/share/Kelvo/Quarantine", true,
         "~/.local/share/Dustlyn/Quarantine"},
        {"quarantine the user chose", "~/Attic", false, "~/Attic"},
    };
    for (const auto& migration : cases) {
        SCOPED_TRACE(migration.what);
        CliHome home;
        const fs::path legacy = home.dataHome() / "Kelvo";
        const std::string pinned = (home.home() / "Documents/keep me.pdf").native();
        const json legacyConfig = {{"quarantineDirectory", migration.legacyQuarantineText},
                                   {"pins", {pinned}},
                                   {"checkInterval", 900},
                                   {"rules", json::array()}};
        writeFile(legacy / "config.json", legacyConfig.dump(2));
        writeFile(legacy / "Quarantine" / "old.png", "old screenshot");

        const ProcessResult first = home.run({"quarantine", "--json"});
        EXPECT_EQ(first.exitCode, 0) << first.describe();
        ASSERT_TRUE(fs::exists(home.configFile()));
        const json migrated = home.readConfig();
        EXPECT_EQ(migrated["quarantineDirectory"], migration.expectedQuarantineText);
        EXPECT_EQ(migrated["pins"], json::array({pinned}));
        EXPECT_EQ(migrated["checkInterval"], 900);
        EXPECT_TRUE(fs::exists(legacy / "config.json")) << "the migration deletes nothing";
        const json listed = parseOrDiscard(first.out);
        ASSERT_TRUE(listed.is_array()) << first.describe();
        if (migration.moved) {
            EXPECT_EQ(readFile(home.quarantine() / "old.png"), "old screenshot");
            EXPECT_FALSE(fs::exists(legacy / "Quarantine"));
            ASSERT_EQ(listed.size(), 1u) << first.out;
            EXPECT_EQ(listed[0]["url"], (home.quarantine() / "old.png").native());
        } else {
            EXPECT_EQ(readFile(legacy / "Quarantine" / "old.png"), "old screenshot");
            EXPECT_FALSE(fs::exists(home.quarantine()));
            EXPECT_EQ(listed, json::array());
        }
        // Once the current configuration exists, read-only commands write nothing again.
        expectEachWritesNothing(home);
    }
}

} // namespace
} // namespace dustlyn::testing

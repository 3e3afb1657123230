// A configuration or history that cannot be read whole: nothing of it is lost, nothing is
// purged on the defaults, and every command says so once.
#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::size_t linesWith(const ProcessResult& result, const std::string& text) {
    const auto lines = result.errLines();
    return std::ranges::count_if(lines, [&](const auto& l) { return has(l, text); });
}

fs::path damagedCopy(const fs::path& file, int n = 1) {
    return fs::path(file.native() + ".damaged" + (n > 1 ? "-" + std::to_string(n) : ""));
}

// The user kept quarantined files for 30 days; then a write was torn half way.
TEST(DamagedConfiguration, IsNeverReplacedAndNothingIsPurgedWhileItCannotBeRead) {
    CliHome home;
    const std::string settings =
        json({{"rules", {globRule("*.txt", "~/Desktop", 60)}}, {"quarantineTTL", 30 * 86400}})
            .dump(2);
    const std::string torn = settings.substr(0, settings.size() / 2);
    writeFile(home.configFile(), torn);
    writeFile(home.quarantine() / "ten-days.txt", "still wanted");
    setModificationDate(home.quarantine() / "ten-days.txt",
                        std::chrono::system_clock::now() - std::chrono::hours(240));
    writeFile(home.desktop() / "a.txt", "a");
    const std::string damaged =
        "dustlyn: the configuration " + home.configFile().native() + " could not be read";

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"keep", home.desk("a.txt")},
          {"timer", home.desk("a.txt"), "1h"}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult changed = home.run(words);
        EXPECT_EQ(changed.exitCode, 1) << changed.describe();
        EXPECT_EQ(changed.out, "");
        EXPECT_EQ(linesWith(changed, damaged), 1u) << changed.err;
        EXPECT_TRUE(has(changed.err, "kept in " + damagedCopy(home.configFile()).native()));
        EXPECT_EQ(readFile(home.configFile()), torn) << "the user's settings are never replaced";
        EXPECT_EQ(readFile(damagedCopy(home.configFile())), torn);
    }
    const ProcessResult swept = home.ok({"sweep"});
    EXPECT_EQ(swept.out, "");
    EXPECT_EQ(linesWith(swept, damaged), 1u) << swept.err;
    EXPECT_EQ(readFile(home.quarantine() / "ten-days.txt"), "still wanted")
        << "the defaults' 7 days are not the user's retention";

    // Said once, never silently; the built-in rules stand in for the unusable file.
    for (const std::vector<std::string>& words : {std::vector<std::string>{"quarantine"},
                                                  {"history"},
                                                  {"scan"},
                                                  {"scan", "--json"},
                                                  {"status"},
                                                  {"rules"}}) {
        SCOPED_TRACE(words.back());
        const ProcessResult read = home.ok(words);
        EXPECT_EQ(read.errLines().size(), 1u) << read.err;
        EXPECT_EQ(linesWith(read, damaged), 1u) << read.err;
    }
    std::vector<std::string> names;
    for (const auto& rule : parseOrDiscard(home.ok({"rules", "--json"}).out))
        names.push_back(rule.at("name"));
    EXPECT_EQ(names, (std::vector<std::string>{"Screenshots", "Screen Recordings",
                                               "Downloads - Installers", "Downloads - Archives",
                                               "Downloads - Stale", "Desktop - Documents"}));
    EXPECT_FALSE(fs::exists(damagedCopy(home.configFile(), 2))) << "the same bytes are kept once";
}

TEST(DamagedHistory, OneBadEntryCostsOnlyItsOwnOrigin) {
    CliHome home;
    json entries = json::array();
    for (const char* name : {"A", "B", "C"}) {
        writeFile(home.quarantine() / name, "data");
        entries.push_back(historyEntry(std::string("00000000-0000-4000-8000-00000000000") + name,
                                       "quarantined", home.home() / "Projects" / name,
                                       home.quarantine() / name));
    }
    entries[1]["date"] = "yesterday";
    writeFile(home.historyFile(), entries.dump());
    const std::string notice = "dustlyn: the history " + home.historyFile().native() +
                               " has 1 entry that could not be read";

    const ProcessResult history = home.ok({"history", "--json"});
    json listed = json::array();
    for (const auto& entry : parseOrDiscard(history.out))
        listed.push_back(entry["quarantinePath"]);
    EXPECT_EQ(listed, json::array({home.quar("C"), home.quar("A")}));
    EXPECT_EQ(history.errLines().size(), 1u) << history.err;
    EXPECT_TRUE(history.err.starts_with(notice)) << history.err;
    const std::string quarantine = home.run({"quarantine"}).out;
    for (const char* text : {"from ~/Projects/A", "from ~/Projects/C", "origin unknown"})
        EXPECT_TRUE(has(quarantine, text)) << text << " in " << quarantine;

    // Put back where it came from; the file is written anew and its old bytes kept aside.
    const std::string origin = (home.home() / "Projects/C").native();
    const ProcessResult restored = home.ok({"restore", origin});
    EXPECT_EQ(restored.out, "Restored " + origin + "\n");
    EXPECT_EQ(linesWith(restored, notice), 1u) << restored.err;
    EXPECT_EQ(readFile(damagedCopy(home.historyFile())), entries.dump());
    EXPECT_EQ(home.readHistory().size(), 3u) << "two readable entries and the restore";
    EXPECT_EQ(home.run({"history"}).err, "") << "said until the history is written anew";
}

// Hand-edited numbers that cannot be lengths of time are never taken as "already due", and a
// change writes them back as their defaults.
TEST(OutOfRangeNumbers, AreNeverTakenAsAlreadyDue) {
    const struct {
        json settings;  // beside one *.txt rule on the Desktop
        double ruleAge; // of that rule
        bool moves;     // the hour-old file on the Desktop
        std::string notice;
    } rows[] = {
        {{{"quarantineTTL", -1}},
         60,
         true,
         "quarantineTTL -1 is not a length of time; the default of 7 days stands in"},
        {{{"quarantineTTL", 0}}, 60, true, "quarantineTTL 0 is not a length of time"},
        {json::object(), -3600, false,
         "has the age -3600.0, which is not a length of time; the rule is off"},
        {{{"checkInterval", -5}},
         60,
         true,
         "checkInterval -5 is not a length of time; the default of 5 minutes"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.notice);
        CliHome home;
        json config = row.settings;
        config["rules"] = {globRule("*.txt", "~/Desktop", row.ruleAge)};
        home.writeConfig(config);
        makeOldFiles(home.desktop(), 1);
        const ProcessResult swept = home.ok({"sweep"});
        EXPECT_EQ(firstLine(swept.out), row.moves ? "Moved 1 file to quarantine (13 bytes):" : "");
        EXPECT_EQ(swept.errLines().size(), 1u) << swept.describe();
        EXPECT_TRUE(has(swept.err, row.notice)) << swept.err;
        EXPECT_EQ(fs::exists(home.quar("note-0001.txt")), row.moves);
        if (row.ruleAge < 0)
            continue;
        writeFile(home.desktop() / "a.txt", "a");
        home.ok({"keep", home.desk("a.txt")});
        EXPECT_EQ(home.readConfig().value(row.settings.begin().key(), 0.0),
                  row.settings.begin().key() == "checkInterval" ? 300 : 604800);
    }
}

} // namespace
} // namespace dustlyn::testing

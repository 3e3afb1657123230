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

Date daysAgo(int days) {
    return std::chrono::system_clock::now() - std::chrono::hours(24 * days);
}

std::size_t linesContaining(const ProcessResult& result, const std::string& text) {
    const auto lines = result.errLines();
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
        return l.find(text) != std::string::npos;
    }));
}

fs::path damagedCopy(const fs::path& file, int n = 1) {
    return fs::path(file.native() + ".damaged" + (n > 1 ? "-" + std::to_string(n) : ""));
}

// The user kept quarantined files for 30 days; then a write was torn half way.
TEST(DamagedConfiguration, IsNeverReplacedAndNothingIsPurgedWhileItCannotBeRead) {
    CliHome home;
    const std::string kept = home.desktop() / "kept.pdf";
    const json settings = {{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                           {"pins", {kept}},
                           {"quarantineTTL", 30 * 86400}};
    const std::string torn = settings.dump(2).substr(0, settings.dump(2).size() / 2);
    writeFile(home.configFile(), torn);
    writeFile(home.quarantine() / "ten-days.txt", "still wanted");
    setModificationDate(home.quarantine() / "ten-days.txt", daysAgo(10));
    writeFile(home.desktop() / "a.txt", "a");
    const std::string damagedLine =
        "dustlyn: the configuration " + home.configFile().native() + " could not be read";

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"keep", home.desktop() / "a.txt"},
          {"timer", home.desktop() / "a.txt", "1h"}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult changed = home.run(words);
        EXPECT_EQ(changed.exitCode, 1) << changed.describe();
        EXPECT_EQ(changed.out, "");
        EXPECT_EQ(linesContaining(changed, damagedLine), 1u) << changed.err;
        EXPECT_NE(
            changed.err.find("its bytes are kept in " + damagedCopy(home.configFile()).native()),
            std::string::npos)
            << changed.err;
        EXPECT_EQ(readFile(home.configFile()), torn) << "the user's settings are never replaced";
        EXPECT_EQ(readFile(damagedCopy(home.configFile())), torn);
    }

    const ProcessResult swept = home.run({"sweep"});
    EXPECT_EQ(swept.exitCode, 0) << swept.describe();
    EXPECT_EQ(swept.out, "");
    EXPECT_EQ(linesContaining(swept, damagedLine), 1u) << swept.err;
    EXPECT_EQ(readFile(home.quarantine() / "ten-days.txt"), "still wanted")
        << "the defaults' 7 days are not the user's retention";

    // Said once, never silently; the built-in rules stand in for the unusable file.
    for (const std::vector<std::string>& words : {std::vector<std::string>{"quarantine"},
                                                  {"history"},
                                                  {"scan"},
                                                  {"scan", "--json"},
                                                  {"status"},
                                                  {"rules"},
                                                  {"rules", "--json"}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult read = home.run(words);
        EXPECT_EQ(read.exitCode, 0) << read.describe();
        EXPECT_EQ(read.errLines().size(), 1u) << read.err;
        EXPECT_EQ(linesContaining(read, damagedLine), 1u) << read.err;
    }
    std::vector<std::string> names;
    for (const auto& rule : parseOrDiscard(home.run({"rules", "--json"}).out))
        names.push_back(rule.at("name"));
    EXPECT_EQ(names, (std::vector<std::string>{"Screenshots", "Screen Recordings",
                                               "Downloads - Installers", "Downloads - Archives",
                                               "Downloads - Stale", "Desktop - Documents"}));
    EXPECT_EQ(readFile(home.configFile()), torn);
    EXPECT_FALSE(fs::exists(damagedCopy(home.configFile(), 2))) << "the same bytes are kept once";
}

TEST(DamagedConfiguration, ALaterDamageIsKeptBesideTheEarlierCopy) {
    CliHome home;
    writeFile(damagedCopy(home.configFile()), "an earlier damage");
    writeFile(home.configFile(), "{\"rules\": [");
    const ProcessResult swept = home.run({"sweep"});
    EXPECT_EQ(swept.exitCode, 0) << swept.describe();
    EXPECT_EQ(readFile(damagedCopy(home.configFile())), "an earlier damage");
    EXPECT_EQ(readFile(damagedCopy(home.configFile(), 2)), "{\"rules\": [");
    EXPECT_NE(swept.err.find(damagedCopy(home.configFile(), 2).native()), std::string::npos)
        << swept.err;
}

TEST(DamagedHistory, ALaterDamageIsSetAsideBesideTheEarlierCopy) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    writeFile(damagedCopy(home.historyFile()), "an earlier damage");
    writeFile(home.historyFile(), "[{\"id\": ");
    EXPECT_EQ(home.run({"history", "--json"}).out, "[]\n");
    makeOldFiles(home.desktop(), 1);
    const ProcessResult swept = home.run({"sweep"});
    EXPECT_EQ(swept.exitCode, 0) << swept.describe();
    EXPECT_EQ(readFile(damagedCopy(home.historyFile())), "an earlier damage");
    EXPECT_EQ(readFile(damagedCopy(home.historyFile(), 2)), "[{\"id\": ");
    const json history = home.readHistory();
    ASSERT_EQ(history.size(), 1u) << history;
    EXPECT_EQ(history[0]["originalPath"], (home.desktop() / "note-0001.txt").native());
}

TEST(DamagedHistory, OneBadEntryCostsOnlyItsOwnOrigin) {
    CliHome home;
    json entries = json::array();
    for (const auto& [name, id] : std::vector<std::pair<std::string, std::string>>{
             {"a.txt", "00000000-0000-4000-8000-00000000000A"},
             {"b.txt", "00000000-0000-4000-8000-00000000000B"},
             {"c.txt", "00000000-0000-4000-8000-00000000000C"}}) {
        writeFile(home.quarantine() / name, "data");
        entries.push_back(historyEntry(id, "quarantined", home.home() / "Projects" / name,
                                       home.quarantine() / name));
    }
    entries[1]["date"] = "yesterday";
    const std::string bytes = entries.dump();
    writeFile(home.historyFile(), bytes);
    const std::string notice = "dustlyn: the history " + home.historyFile().native() +
                               " has 1 entry that could not be read";

    const ProcessResult history = home.run({"history", "--json"});
    EXPECT_EQ(history.exitCode, 0) << history.describe();
    const json listed = parseOrDiscard(history.out);
    ASSERT_TRUE(listed.is_array()) << history.describe();
    ASSERT_EQ(listed.size(), 2u) << listed.dump(2);
    EXPECT_EQ(listed[0]["quarantinePath"], (home.quarantine() / "c.txt").native());
    EXPECT_EQ(listed[1]["quarantinePath"], (home.quarantine() / "a.txt").native());
    EXPECT_EQ(history.errLines().size(), 1u) << history.err;
    EXPECT_TRUE(history.err.starts_with(notice)) << history.err;

    const ProcessResult quarantine = home.run({"quarantine"});
    EXPECT_NE(quarantine.out.find("from ~/Projects/a.txt"), std::string::npos) << quarantine.out;
    EXPECT_NE(quarantine.out.find("from ~/Projects/c.txt"), std::string::npos) << quarantine.out;
    EXPECT_NE(quarantine.out.find("origin unknown"), std::string::npos) << quarantine.out;

    // Put back where it came from; the file is written anew and its old bytes kept aside.
    const std::string origin = (home.home() / "Projects/c.txt").native();
    const ProcessResult restored = home.run({"restore", origin});
    EXPECT_EQ(restored.exitCode, 0) << restored.describe();
    EXPECT_EQ(restored.out, "Restored " + origin + "\n");
    EXPECT_EQ(linesContaining(restored, notice), 1u) << restored.err;
    EXPECT_EQ(readFile(origin), "data");
    EXPECT_EQ(readFile(damagedCopy(home.historyFile())), bytes);
    EXPECT_EQ(home.readHistory().size(), 3u) << "two readable entries and the restore";
    EXPECT_EQ(home.run({"history"}).err, "") << "said until the history is written anew";
}

// Hand-edited numbers that cannot be lengths of time are never taken as "already due".
struct OutOfRange {
    const char* behaviour;
    json settings;  // merged into a configuration with one *.txt rule on the Desktop
    double ruleAge; // of that rule
    bool moves;     // the hour-old file on the Desktop
    std::string notice;
};

void PrintTo(const OutOfRange& row, std::ostream* out) {
    *out << row.behaviour;
}

class OutOfRangeNumbers : public ::testing::TestWithParam<OutOfRange> {};

TEST_P(OutOfRangeNumbers, AreNeverTakenAsAlreadyDue) {
    const OutOfRange& row = GetParam();
    CliHome home;
    json config = row.settings;
    config["rules"] = {globRule("*.txt", "~/Desktop", row.ruleAge)};
    home.writeConfig(config);
    writeFile(home.desktop() / "note.txt", "note");
    setModificationDate(home.desktop() / "note.txt",
                        std::chrono::system_clock::now() - std::chrono::hours(1));

    const ProcessResult swept = home.run({"sweep"});
    EXPECT_EQ(swept.exitCode, 0) << swept.describe();
    EXPECT_EQ(firstLine(swept.out), row.moves ? "Moved 1 file to quarantine (4 bytes):" : "");
    EXPECT_EQ(swept.errLines().size(), 1u) << swept.describe();
    EXPECT_NE(swept.err.find(row.notice), std::string::npos) << swept.err;
    EXPECT_EQ(fs::exists(home.desktop() / "note.txt"), !row.moves);
    EXPECT_EQ(fs::exists(home.quarantine() / "note.txt"), row.moves);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, OutOfRangeNumbers,
    ::testing::Values(
        OutOfRange{"aNegativeRetentionKeepsTheDefaultSevenDays",
                   {{"quarantineTTL", -1}},
                   60,
                   true,
                   "quarantineTTL -1 is not a length of time; the default of 7 days stands in"},
        OutOfRange{"aRetentionOfNothingKeepsTheDefaultSevenDays",
                   {{"quarantineTTL", 0}},
                   60,
                   true,
                   "quarantineTTL 0 is not a length of time"},
        OutOfRange{"aRuleWithANegativeAgeIsOffAndClaimsNothing", json::object(), -3600, false,
                   "has the age -3600.0, which is not a length of time; the rule is off"},
        OutOfRange{"aNegativeIntervalKeepsTheDefault",
                   {{"checkInterval", -5}},
                   60,
                   true,
                   "checkInterval -5 is not a length of time; the default of 5 minutes"}),
    [](const auto& test) { return std::string(test.param.behaviour); });

TEST(OutOfRangeNumbers, AreWrittenBackAsTheirDefaults) {
    CliHome home;
    home.writeConfig({{"rules", json::array()}, {"checkInterval", -5}, {"quarantineTTL", -1}});
    writeFile(home.desktop() / "a.txt", "a");
    const ProcessResult kept = home.run({"keep", home.desktop() / "a.txt"});
    EXPECT_EQ(kept.exitCode, 0) << kept.describe();
    const json saved = home.readConfig();
    EXPECT_EQ(saved["checkInterval"], 300);
    EXPECT_EQ(saved["quarantineTTL"], 604800);
}

} // namespace
} // namespace dustlyn::testing

#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string lineBreak = "\n";

std::string lastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return {};
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

TEST(Scan, WithNoConfigurationAtAllNothingLeaves) {
    CliHome home;
    const ProcessResult result = home.run({"scan"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    EXPECT_EQ(result.out, "Nothing would leave.\n");
    EXPECT_EQ(result.err, "");
}

TEST(Scan, ADamagedConfigurationGivesTheDefaultsAndStaysUntouched) {
    const std::string garbage("\x00\xff\xfe{\"rules\": [oops\x01", 16);
    CliHome home;
    writeFile(home.configFile(), garbage);
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"scan"}, {"scan", "--json"}, {"rules"}, {"status"}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        // Said once, never silently.
        ASSERT_EQ(result.errLines().size(), 1u) << result.describe();
        EXPECT_TRUE(result.err.starts_with("dustlyn: the configuration " +
                                           home.configFile().native() + " could not be read"))
            << result.err;
        EXPECT_EQ(readFile(home.configFile()), garbage) << "the damaged file stays as it was";
    }
    // The built-in rules stand in for the unusable file.
    const ProcessResult rules = home.run({"rules", "--json"});
    const json parsed = parseOrDiscard(rules.out);
    ASSERT_TRUE(parsed.is_array()) << rules.describe();
    std::vector<std::string> names;
    for (const auto& rule : parsed)
        names.push_back(rule.at("name"));
    EXPECT_EQ(names, (std::vector<std::string>{"Screenshots", "Screen Recordings",
                                               "Downloads - Installers", "Downloads - Archives",
                                               "Downloads - Stale", "Desktop - Documents"}));
    EXPECT_EQ(readFile(home.configFile()), garbage);
}

TEST(Scan, ARuleFolderThatDoesNotExistClaimsNothing) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Nowhere", 60)}}});
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"scan"}, {"status"}, {"rules"}}) {
        SCOPED_TRACE(words.front());
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(home.run({"scan"}).out, "Nothing would leave.\n");
    EXPECT_FALSE(fs::exists(home.home() / "Nowhere"));
}

TEST(Scan, ABadAtValueExitsTwoWithOneLine) {
    CliHome home;
    for (const char* value : {"tomorrow", "2026-13-01T00:00:00Z", "2026-03-01T25:00",
                              "2026-03-01T09:30:00+1", "2026-02-30", "12:00"}) {
        SCOPED_TRACE(value);
        const ProcessResult result = home.run({"scan", "--at", value});
        EXPECT_EQ(result.exitCode, 2) << result.describe();
        EXPECT_EQ(result.out, "");
        ASSERT_EQ(result.errLines().size(), 1u) << result.describe();
        EXPECT_NE(result.err.find(value), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("2026-03-01T09:30:00Z"), std::string::npos)
            << "the line shows a time that works: " << result.err;
    }
}

TEST(Scan, AtAFarMomentMakesAFreshFileDue) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 3600)}}});
    writeFile(home.desktop() / "fresh.txt", "fresh");
    const std::string path = (home.desktop() / "fresh.txt").native();

    const ProcessResult now = home.run({"scan"});
    EXPECT_EQ(now.exitCode, 0) << now.describe();
    EXPECT_EQ(lastLine(now.out), "1 file would leave (5 bytes), 0 due now.") << now.out;
    EXPECT_EQ(now.out.rfind("in ", 0), 0u) << "the row counts down: " << now.out;

    // In UTC and as a local time without zone.
    for (const char* moment : {"2100-01-01T00:00:00Z", "2100-01-01T00:00"}) {
        SCOPED_TRACE(moment);
        const ProcessResult later = home.run({"scan", "--at", moment});
        EXPECT_EQ(later.exitCode, 0) << later.describe();
        EXPECT_EQ(lastLine(later.out), "1 file would leave (5 bytes), 1 due now.") << later.out;
        EXPECT_EQ(later.out.rfind("due now", 0), 0u) << later.out;
        EXPECT_NE(later.out.find(path), std::string::npos) << later.out;
    }

    const json report =
        parseOrDiscard(home.run({"scan", "--json", "--at", "2100-01-01T00:00:00Z"}).out);
    ASSERT_TRUE(report.is_object());
    EXPECT_EQ(report["results"][0]["files"][0]["isEligible"], true);
    EXPECT_TRUE(fs::exists(path)) << "a scan touches nothing";
}

TEST(Scan, JsonHasTheReportsShape) {
    CliHome home;
    const json rule = globRule("*.txt", "~/Desktop", 600);
    home.writeConfig({{"rules", {rule}}});
    makeOldFiles(home.desktop(), 1); // note-0001.txt, an hour old: due
    writeFile(home.desktop() / "new.txt", "brand new");
    writeFile(home.desktop() / "other.pdf", "not claimed");

    const ProcessResult result = home.run({"scan", "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    const json report = parseOrDiscard(result.out);
    ASSERT_TRUE(report.is_object()) << result.describe();
    EXPECT_EQ(keysOf(report), (std::set<std::string>{"results", "matchedCount", "totalSize"}));
    EXPECT_EQ(report["matchedCount"], 2);
    EXPECT_EQ(report["totalSize"], 13 + 9);
    ASSERT_EQ(report["results"].size(), 1u);
    const json& scanned = report["results"][0];
    EXPECT_EQ(keysOf(scanned), (std::set<std::string>{"rule", "folder", "files"}));
    EXPECT_EQ(scanned["rule"], rule) << "the rule as config.json holds it";
    EXPECT_EQ(scanned["folder"], "~/Desktop");
    ASSERT_EQ(scanned["files"].size(), 2u);
    std::map<std::string, json> byName;
    for (const auto& file : scanned["files"]) {
        EXPECT_EQ(keysOf(file), (std::set<std::string>{"url", "size", "ageBasisDate", "ruleID",
                                                       "isEligible", "deadline"}));
        EXPECT_TRUE(isUtcDate(file["ageBasisDate"])) << file;
        EXPECT_TRUE(isUtcDate(file["deadline"])) << file;
        EXPECT_EQ(file["ruleID"], rule["id"]);
        EXPECT_EQ(utcSeconds(file["deadline"]) - utcSeconds(file["ageBasisDate"]), 600) << file;
        byName[fs::path(file["url"].get<std::string>()).filename()] = file;
    }
    const json& old = byName["note-0001.txt"];
    EXPECT_EQ(old["url"], (home.desktop() / "note-0001.txt").native());
    EXPECT_EQ(old["size"], 13);
    EXPECT_EQ(old["isEligible"], true);
    const json& fresh = byName["new.txt"];
    EXPECT_EQ(fresh["size"], 9);
    EXPECT_EQ(fresh["isEligible"], false);
}

TEST(Scan, ANameThatIsNotUtf8IsLeftOutAndCounted) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    makeOldFiles(home.desktop(), 1);
    const fs::path odd = home.desktop() / std::string("caf\xe9-latin1.txt");
    writeFile(odd, "odd");

    const ProcessResult text = home.run({"scan"});
    EXPECT_EQ(text.exitCode, 0) << text.describe();
    EXPECT_EQ(lastLine(text.out),
              "1 file left alone: the name is not valid UTF-8, so it could not be recorded.")
        << text.out;
    EXPECT_NE(text.out.find("1 file would leave (13 bytes), 1 due now." + lineBreak),
              std::string::npos)
        << text.out;
    EXPECT_EQ(text.out.find("latin1"), std::string::npos) << text.out;

    const ProcessResult asJson = home.run({"scan", "--json"});
    EXPECT_EQ(asJson.exitCode, 0) << asJson.describe();
    const json report = parseOrDiscard(asJson.out);
    ASSERT_TRUE(report.is_object()) << asJson.describe();
    EXPECT_EQ(report["matchedCount"], 1);
    EXPECT_TRUE(fs::exists(odd));
}

// Output goes out as it is made; a write that fails must fail the command, not vanish.
TEST(Scan, OutputThatCannotBeWrittenFailsWithTheSystemsReason) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    makeOldFiles(home.desktop(), 3);
    for (const char* option : {"", "--json"}) {
        SCOPED_TRACE(option);
        std::vector<std::string> words{"scan"};
        if (*option)
            words.push_back(option);
        const ProcessResult result =
            home.runUnder({"sh", "-c", "exec \"$@\" > /dev/full", "sh"}, words);
        EXPECT_EQ(result.exitCode, 1) << result.describe();
        EXPECT_EQ(result.err, "dustlyn scan: cannot write the output: No space left on device\n");
    }
}

} // namespace
} // namespace dustlyn::testing

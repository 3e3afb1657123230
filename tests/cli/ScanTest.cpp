#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

TEST(Scan, ARuleFolderThatDoesNotExistClaimsNothing) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Nowhere", 60)}}});
    const ProcessResult result = home.run({"scan"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    EXPECT_EQ(result.out + result.err, "Nothing would leave.\n");
    EXPECT_FALSE(fs::exists(home.home() / "Nowhere"));
}

TEST(Scan, ABadAtValueExitsTwoWithOneLine) {
    CliHome home;
    for (const char* value : {"tomorrow", "2026-13-01T00:00:00Z", "2026-03-01T25:00",
                              "2026-03-01T09:30:00+1", "2026-02-30", "12:00"}) {
        SCOPED_TRACE(value);
        // The line shows a time that works.
        expectRefused(home.run({"scan", "--at", value}), 2,
                      "--at wants an ISO 8601 time such as 2026-03-01T09:30:00Z or "
                      "2026-03-01T09:30 (local), not '" +
                          std::string(value) + "'");
    }
}

TEST(Scan, AtAFarMomentMakesAFreshFileDue) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 3600)}}});
    writeFile(home.desktop() / "fresh.txt", "fresh");
    const std::string path = (home.desktop() / "fresh.txt").native();

    const ProcessResult now = home.run({"scan"});
    EXPECT_EQ(now.exitCode, 0) << now.describe();
    EXPECT_EQ(now.outLines().back(), "1 file would leave (5 bytes), 0 due now.") << now.out;
    EXPECT_EQ(now.out.rfind("in ", 0), 0u) << "the row counts down: " << now.out;

    // In UTC and as a local time without zone.
    for (const char* moment : {"2100-01-01T00:00:00Z", "2100-01-01T00:00"}) {
        SCOPED_TRACE(moment);
        const ProcessResult later = home.run({"scan", "--at", moment});
        EXPECT_EQ(later.exitCode, 0) << later.describe();
        EXPECT_EQ(later.outLines().back(), "1 file would leave (5 bytes), 1 due now.") << later.out;
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
    EXPECT_EQ(text.outLines().back(),
              "1 file left alone: the name is not valid UTF-8, so it could not be recorded.")
        << text.out;
    EXPECT_NE(text.out.find("1 file would leave (13 bytes), 1 due now.\n"), std::string::npos)
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
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"scan"}, {"scan", "--json"}}) {
        SCOPED_TRACE(words.size());
        const ProcessResult result =
            home.runUnder({"sh", "-c", "exec \"$@\" > /dev/full", "sh"}, words);
        EXPECT_EQ(result.exitCode, 1) << result.describe();
        EXPECT_EQ(result.err, "dustlyn scan: cannot write the output: No space left on device\n");
    }
}

} // namespace
} // namespace dustlyn::testing

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
    const ProcessResult result = home.ok({"scan"});
    EXPECT_EQ(result.out + result.err, "Nothing would leave.\n");
    EXPECT_FALSE(fs::exists(home.home() / "Nowhere"));
}

TEST(Scan, ABadAtValueExitsTwoWithOneLine) {
    CliHome home;
    for (const std::string value : {"tomorrow", "2026-13-01T00:00:00Z", "2026-03-01T25:00",
                                    "2026-03-01T09:30:00+1", "2026-02-30", "12:00"}) {
        SCOPED_TRACE(value);
        // The line shows a time that works.
        expectRefused(home.run({"scan", "--at", value}), 2,
                      "--at wants an ISO 8601 time such as 2026-03-01T09:30:00Z or "
                      "2026-03-01T09:30 (local), not '" +
                          value + "'");
    }
}

TEST(Scan, AtAFarMomentMakesAFreshFileDue) {
    CliHome home;
    home.writeRule("*.txt", 3600);
    writeFile(home.desktop() / "fresh.txt", "fresh");
    const ProcessResult now = home.ok({"scan"});
    EXPECT_EQ(now.outLines().back(), "1 file would leave (5 bytes), 0 due now.");
    EXPECT_TRUE(now.out.starts_with("in ")) << "the row counts down: " << now.out;
    // In UTC and as a local time without zone.
    for (const char* moment : {"2100-01-01T00:00:00Z", "2100-01-01T00:00"}) {
        SCOPED_TRACE(moment);
        const ProcessResult later = home.ok({"scan", "--at", moment});
        EXPECT_EQ(later.outLines().back(), "1 file would leave (5 bytes), 1 due now.");
        EXPECT_TRUE(later.out.starts_with("due now") && has(later.out, home.desk("fresh.txt")))
            << later.out;
    }
    EXPECT_TRUE(fs::exists(home.desk("fresh.txt"))) << "a scan touches nothing";
}

TEST(Scan, JsonHasTheReportsShape) {
    CliHome home;
    const json rule = globRule("*.txt", "~/Desktop", 600);
    home.writeConfig({{"rules", {rule}}});
    makeOldFiles(home.desktop(), 1); // note-0001.txt, an hour old: due
    writeFile(home.desktop() / "new.txt", "brand new");
    writeFile(home.desktop() / "other.pdf", "not claimed");

    json report = parseOrDiscard(home.ok({"scan", "--json"}).out);
    ASSERT_TRUE(report.is_object());
    for (json& file : report["results"].at(0)["files"]) {
        EXPECT_EQ(utcSeconds(file["deadline"]) - utcSeconds(file["ageBasisDate"]), 600) << file;
        file.erase("deadline");
        file.erase("ageBasisDate");
    }
    json& files = report["results"][0]["files"];
    std::sort(files.begin(), files.end(),
              [](const json& a, const json& b) { return a["size"] < b["size"]; });
    EXPECT_EQ(report, json({{"results",
                             {{{"rule", rule},
                               {"folder", "~/Desktop"},
                               {"files",
                                {{{"url", home.desk("new.txt")},
                                  {"size", 9},
                                  {"ruleID", rule["id"]},
                                  {"isEligible", false}},
                                 {{"url", home.desk("note-0001.txt")},
                                  {"size", 13},
                                  {"ruleID", rule["id"]},
                                  {"isEligible", true}}}}}}},
                            {"matchedCount", 2},
                            {"totalSize", 22}}));
}

TEST(Scan, ANameThatIsNotUtf8IsLeftOutAndCounted) {
    CliHome home;
    home.writeRule();
    makeOldFiles(home.desktop(), 1);
    writeFile(home.desktop() / "caf\xe9-latin1.txt", "odd");
    const ProcessResult text = home.ok({"scan"});
    EXPECT_TRUE(text.out.ends_with("1 file would leave (13 bytes), 1 due now.\n1 file left alone: "
                                   "the name is not valid UTF-8, so it could not be recorded.\n"))
        << text.out;
    EXPECT_FALSE(has(text.out, "latin1")) << text.out;
    EXPECT_EQ(parseOrDiscard(home.ok({"scan", "--json"}).out)["matchedCount"], 1);
}

// Output goes out as it is made; a write that fails must fail the command, not vanish.
TEST(Scan, OutputThatCannotBeWrittenFailsWithTheSystemsReason) {
    CliHome home;
    home.writeRule();
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

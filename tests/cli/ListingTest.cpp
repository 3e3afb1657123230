#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <algorithm>
#include <map>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Two files sent to the quarantine one after the other: first alpha.txt, then bravo.txt.
class Listing : public ::testing::Test {
protected:
    void SetUp() override {
        home.writeConfig({{"rules", json::array()}});
        writeFile(home.desktop() / "alpha.txt", "alpha");
        writeFile(home.desktop() / "bravo.txt", "bravo!!");
        for (const char* name : {"alpha.txt", "bravo.txt"}) {
            const ProcessResult moved = home.run({"remove-now", (home.desktop() / name).native()});
            ASSERT_EQ(moved.exitCode, 0) << moved.describe();
        }
    }

    std::string origin(const char* name) const { return (home.desktop() / name).native(); }
    std::string quarantined(const char* name) const { return (home.quarantine() / name).native(); }

    CliHome home;
};

// A file put into the quarantine by hand may carry a name that is not UTF-8; the JSON stays
// valid, with the bad bytes replaced, and still lists every file.
TEST_F(Listing, QuarantineShowsEachFileWithExpiryAndOrigin) {
    const ProcessResult text = home.run({"quarantine"});
    EXPECT_EQ(text.exitCode, 0) << text.describe();
    EXPECT_EQ(text.outLines().size(), 3u) << text.out;
    for (const char* name : {"alpha.txt", "bravo.txt"})
        EXPECT_NE(text.out.find(quarantined(name) + "  from ~/Desktop/" + name), std::string::npos)
            << text.out;
    EXPECT_TRUE(text.out.starts_with("expires in 6d 23h")) << text.out;
    EXPECT_EQ(text.outLines().back(), "2 files in quarantine (12 bytes), kept for 7 days.");

    writeFile(home.quarantine() / std::string("caf\xe9.txt"), "odd");
    const json files = parseOrDiscard(home.run({"quarantine", "--json"}).out);
    ASSERT_TRUE(files.is_array());
    ASSERT_EQ(files.size(), 3u);
    std::map<std::string, json> byUrl;
    for (const auto& file : files) {
        EXPECT_EQ(keysOf(file), (std::set<std::string>{"id", "url", "size", "quarantinedDate",
                                                       "expiresDate", "isExpired"}));
        EXPECT_TRUE(isUuid(file["id"])) << file;
        EXPECT_EQ(file["isExpired"], false);
        EXPECT_EQ(utcSeconds(file["expiresDate"]) - utcSeconds(file["quarantinedDate"]), 7 * 86400)
            << file;
        byUrl[file["url"]] = file;
    }
    EXPECT_EQ(byUrl[quarantined("alpha.txt")]["size"], 5);
    EXPECT_EQ(byUrl[quarantined("bravo.txt")]["size"], 7);
    EXPECT_TRUE(byUrl.contains((home.quarantine() / "caf\xef\xbf\xbd.txt").native()));
    EXPECT_LE(utcSeconds(files[0]["expiresDate"]), utcSeconds(files[1]["expiresDate"]))
        << "soonest expiry first";
}

TEST_F(Listing, HistoryIsNewestFirstAndHasTheHistoryFilesForm) {
    const ProcessResult text = home.run({"history"});
    EXPECT_EQ(text.exitCode, 0) << text.describe();
    const auto lines = text.outLines();
    ASSERT_EQ(lines.size(), 2u) << text.out;
    EXPECT_NE(lines[0].find("quarantined"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("bravo.txt  from " + origin("bravo.txt")), std::string::npos);
    EXPECT_NE(lines[1].find("alpha.txt  from " + origin("alpha.txt")), std::string::npos);

    const json entries = parseOrDiscard(home.run({"history", "--json"}).out);
    ASSERT_TRUE(entries.is_array());
    ASSERT_EQ(entries.size(), 2u);
    for (const auto& entry : entries) {
        EXPECT_EQ(keysOf(entry),
                  (std::set<std::string>{"id", "date", "kind", "originalPath", "quarantinePath",
                                         "size", "ruleName", "sweepID"}));
        EXPECT_TRUE(isUtcDate(entry["date"]));
    }
    EXPECT_EQ(entries[0]["quarantinePath"], quarantined("bravo.txt"));
    EXPECT_NE(entries[0]["sweepID"], entries[1]["sweepID"]) << "each removal is its own sweep";
    // The same records as the history file, in the opposite order.
    json stored = home.readHistory();
    std::reverse(stored.begin(), stored.end());
    EXPECT_EQ(entries, stored);

    // --limit keeps the newest.
    const json one = parseOrDiscard(home.run({"history", "--limit", "1", "--json"}).out);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]["originalPath"], origin("bravo.txt"));
    const ProcessResult limited = home.run({"history", "--limit=1"});
    ASSERT_EQ(limited.outLines().size(), 1u) << limited.out;
    EXPECT_NE(limited.out.find("bravo.txt"), std::string::npos);
    EXPECT_EQ(parseOrDiscard(home.run({"history", "--limit", "0", "--json"}).out), json::array());
}

// What a user looks a file up by: the sweep and rule that moved it, where it was downloaded
// from, and whether it is kept or timed.
TEST(Listings, NameTheSweepTheRuleTheSourceAndTheKeptAndTimedFiles) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 3600 * 24)}}});
    makeOldFiles(home.desktop(), 1);
    setModificationDate(home.desktop() / "note-0001.txt",
                        std::chrono::system_clock::now() - std::chrono::hours(48));
    const fs::path download = home.desktop() / "setup.txt";
    writeFile(download, "setup");
    const std::string origin = "https://files.example.org/setup.txt";
    const bool hasSource =
        ::setxattr(download.c_str(), "user.xdg.origin.url", origin.data(), origin.size(), 0) == 0;
    for (const char* name : {"kept.pdf", "gone.pdf", "timed.pdf"})
        writeFile(home.desktop() / name, name);
    const std::string kept = (home.desktop() / "kept.pdf").native();
    const std::string gone = (home.desktop() / "gone.pdf").native();
    const std::string timed = (home.desktop() / "timed.pdf").native();
    ASSERT_EQ(home.run({"keep", kept, gone}).exitCode, 0);
    ASSERT_EQ(home.run({"timer", timed, "1h"}).exitCode, 0);
    ASSERT_EQ(home.run({"sweep"}).exitCode, 0);
    fs::remove(gone); // a kept file deleted since is listed as gone
    const std::string sweepID = home.readHistory()[0].value("sweepID", "");
    ASSERT_FALSE(sweepID.empty()) << home.readHistory();

    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"history"}, {"note-0001.txt", "by Old notes", "sweep " + sweepID}},
        {{"scan"}, {hasSource ? "from files.example.org" : "setup.txt"}},
        {{"scan", "--json"}, {hasSource ? R"("source": "files.example.org")" : "setup.txt"}},
        {{"kept"}, {kept + "\n", gone + "  (gone)\n"}},
        {{"kept", "--json"}, {"\"" + kept + "\""}},
        {{"timers"}, {timed}},
        {{"timers", "--json"}, {"\"" + timed + "\": \""}},
    };
    for (const auto& [words, expected] : cases) {
        SCOPED_TRACE(words.front() + (words.size() > 1 ? " --json" : ""));
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        for (const auto& text : expected)
            EXPECT_NE(result.out.find(text), std::string::npos) << text << " in\n" << result.out;
    }
}

TEST(EmptyListing, SaysSoInTextAndGivesAnEmptyArray) {
    CliHome home;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"scan"}, "Nothing would leave.\n"}, {{"quarantine"}, "The quarantine is empty.\n"},
        {{"quarantine", "--json"}, "[]\n"},   {{"history"}, "The history is empty.\n"},
        {{"history", "--json"}, "[]\n"},      {{"kept"}, "No file is kept.\n"},
        {{"kept", "--json"}, "[]\n"},         {{"timers"}, "No file has a timer.\n"},
        {{"timers", "--json"}, "{}\n"},
    };
    for (const auto& [words, expected] : cases) {
        SCOPED_TRACE(words.front() + (words.size() > 1 ? " --json" : ""));
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        EXPECT_EQ(result.out, expected);
        EXPECT_EQ(result.err, "");
    }
}

} // namespace
} // namespace dustlyn::testing

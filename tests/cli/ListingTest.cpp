#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <map>

namespace dustlyn::testing {
namespace {

// Two files sent to the quarantine one after the other: first alpha.txt, then bravo.txt. A
// file put into the quarantine by hand may carry a name that is not UTF-8; the JSON stays
// valid, with the bad bytes replaced, and still lists every file. The history is listed
// newest first, its JSON the history file's records.
TEST(Listing, QuarantineAndHistoryShowEachFileWithExpiryAndOrigin) {
    CliHome home;
    home.writeConfig({{"rules", json::array()}});
    writeFile(home.desktop() / "alpha.txt", "alpha");
    writeFile(home.desktop() / "bravo.txt", "bravo!!");
    home.ok({"remove-now", home.desk("alpha.txt")});
    home.ok({"remove-now", home.desk("bravo.txt")});
    const ProcessResult text = home.ok({"quarantine"});
    EXPECT_EQ(linesOf(text.out).size(), 3u) << text.out;
    for (const char* name : {"alpha.txt", "bravo.txt"})
        EXPECT_TRUE(has(text.out, home.quar(name) + "  from ~/Desktop/" + name)) << text.out;
    EXPECT_TRUE(text.out.starts_with("expires in 6d 23h")) << text.out;
    EXPECT_EQ(linesOf(text.out).back(), "2 files in quarantine (12 bytes), kept for 7 days.");

    writeFile(home.quarantine() / "caf\xe9.txt", "odd");
    const json files = parseOrDiscard(home.ok({"quarantine", "--json"}).out);
    std::map<std::string, json> sizes;
    for (const auto& file : files) {
        EXPECT_EQ(keysOf(file), (std::set<std::string>{"id", "url", "size", "quarantinedDate",
                                                       "expiresDate", "isExpired"}));
        EXPECT_TRUE(isUuid(file["id"]) && file["isExpired"] == false) << file;
        EXPECT_EQ(utcSeconds(file["expiresDate"]) - utcSeconds(file["quarantinedDate"]), 7 * 86400);
        sizes[file["url"]] = file["size"];
    }
    EXPECT_EQ(sizes, (std::map<std::string, json>{{home.quar("alpha.txt"), 5},
                                                  {home.quar("bravo.txt"), 7},
                                                  {home.quar("caf\xef\xbf\xbd.txt"), 3}}));

    const auto lines = linesOf(home.ok({"history"}).out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(has(lines[0], "quarantined")) << lines[0];
    EXPECT_TRUE(has(lines[0], "bravo.txt  from " + home.desk("bravo.txt"))) << lines[0];
    EXPECT_TRUE(has(lines[1], "alpha.txt  from " + home.desk("alpha.txt"))) << lines[1];

    // The same records as the history file, in the opposite order.
    json stored = home.readHistory();
    std::reverse(stored.begin(), stored.end());
    EXPECT_EQ(parseOrDiscard(home.ok({"history", "--json"}).out), stored);
    EXPECT_NE(stored[0]["sweepID"], stored[1]["sweepID"]) << "each removal is its own sweep";

    // --limit keeps the newest.
    EXPECT_EQ(parseOrDiscard(home.ok({"history", "--limit", "1", "--json"}).out),
              json::array({stored[0]}));
    EXPECT_EQ(home.ok({"history", "--limit=1"}).out, lines[0] + "\n");
    EXPECT_EQ(parseOrDiscard(home.ok({"history", "--limit", "0", "--json"}).out), json::array());
}

// What a user looks a file up by: the sweep and rule that moved it, where it was downloaded
// from, and whether it is kept or timed.
TEST(Listings, NameTheSweepTheRuleTheSourceAndTheKeptAndTimedFiles) {
    CliHome home;
    home.writeRule("*.txt", 86400);
    makeOldFiles(home.desktop(), 1);
    setModificationDate(home.desktop() / "note-0001.txt",
                        std::chrono::system_clock::now() - std::chrono::hours(48));
    writeFile(home.desktop() / "setup.txt", "setup");
    const std::string origin = "https://files.example.org/setup.txt";
    const bool hasSource = ::setxattr(home.desk("setup.txt").c_str(), "user.xdg.origin.url",
                                      origin.data(), origin.size(), 0) == 0;
    for (const char* name : {"kept.pdf", "gone.pdf", "timed.pdf"})
        writeFile(home.desktop() / name, name);
    const std::string kept = home.desk("kept.pdf"), gone = home.desk("gone.pdf");
    const std::string timed = home.desk("timed.pdf");
    home.ok({"keep", kept, gone});
    home.ok({"timer", timed, "1h"});
    home.ok({"sweep"});
    fs::remove(gone); // a kept file deleted since is listed as gone
    const std::string sweepID = home.readHistory()[0].value("sweepID", "");

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
        const ProcessResult result = home.ok(words);
        for (const auto& text : expected)
            EXPECT_TRUE(has(result.out, text)) << text << " in\n" << result.out;
    }
}

// Everything under a folder: each item's inode, modification time and content, so that two
// are equal only when nothing was created, removed, rewritten or replaced, even with the same
// bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> items;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        items[entry.path().native()] =
            std::to_string(info.st_ino) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
            std::to_string(info.st_mtim.tv_nsec) +
            (entry.is_regular_file() && !entry.is_symlink() ? " " + readFile(entry.path()) : "");
    }
    return items;
}

// Every command that only reads, with what it says in an empty home (where the built-in
// rules' folders do not exist, so they claim nothing) when that is checked.
const std::pair<const char*, const char*> readers[] = {
    {"quarantine", "The quarantine is empty.\n"},
    {"quarantine --json", "[]\n"},
    {"history", "The history is empty.\n"},
    {"history --json", "[]\n"},
    {"kept", "No file is kept.\n"},
    {"kept --json", "[]\n"},
    {"timers", "No file has a timer.\n"},
    {"timers --json", "{}\n"},
    {"scan", "Nothing would leave.\n"},
    {"scan --at 2100-01-01T00:00:00Z", "Nothing would leave.\n"},
    {"scan --json", nullptr},
    {"rules", nullptr},
    {"rules --json", nullptr},
    {"status", nullptr},
    {"status --json", nullptr},
};

// In an empty home, beside a configuration, history and quarantine (with a timer of a file
// gone, which only a sweep may drop), and beside damaged files. In the empty home each says
// that there is nothing, in text or as an empty array.
TEST(ReadOnly, CommandsWriteNothing) {
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        CliHome home;
        if (kind == 1) {
            home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                              {"pins", {home.desk("note-0002.txt")}},
                              {"timers", {{home.desk("gone.txt"), "2025-03-01T09:30:00Z"}}}});
            makeOldFiles(home.desktop(), 3);
            writeFile(home.quarantine() / "earlier.txt", "earlier");
            writeFile(home.historyFile(),
                      json::array({historyEntry("5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E",
                                                "quarantined", home.desktop() / "earlier.txt",
                                                home.quarantine() / "earlier.txt")})
                          .dump());
        } else if (kind == 2) {
            writeFile(home.configFile(), "{\"rules\": 42}");
            writeFile(home.historyFile(), std::string("\x00\x01[{", 4));
            writeFile(home.supportDirectory() / "sweep-journal.json", "{not json");
        }
        for (const auto& [line, saysWhenEmpty] : readers) {
            SCOPED_TRACE(line);
            const auto before = snapshot(home.home());
            const ProcessResult result = home.ok(wordsOf(line));
            EXPECT_EQ(snapshot(home.home()), before);
            if (kind == 0 && saysWhenEmpty) {
                EXPECT_EQ(result.out + result.err, saysWhenEmpty);
            }
        }
        EXPECT_EQ(fs::exists(home.supportDirectory()), kind > 0);
    }
}

} // namespace
} // namespace dustlyn::testing

#include "core/history/HistoryStore.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <limits>
#include <stdexcept>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Kind = HistoryEntry::Kind;

Uuid id(const char* text) {
    return *Uuid::parse(text);
}
Date date(const char* text) {
    return *parseRfc3339(text);
}

// The entries whose stored form is checked in as golden/history.json.
std::vector<HistoryEntry> goldenEntries() {
    const std::string quarantine = "/home/ann/.local/share/Dustlyn/Quarantine/";
    return {
        {id("5b1d7e0a-3c2f-4a8b-9d6e-1f2a3b4c5d6e"), date("2026-03-01T09:15:00Z"),
         Kind::quarantined, "/home/ann/Desktop/Screenshot 2026-03-01 at 09.00.00.png",
         quarantine + "Screenshot 2026-03-01 at 09.00.00.png", 482113, "Screenshots",
         id("0d9c8b7a-6f5e-4d3c-8b2a-190817263544")},
        {id("A1B2C3D4-E5F6-4789-8ABC-DEF012345678"), date("2026-03-08T09:15:02Z"), Kind::deleted,
         "/home/ann/Downloads/Übersicht – café \"final\".pdf",
         quarantine + "Übersicht – café \"final\".pdf", 1250000, "", std::nullopt},
        {id("FEDCBA98-7654-4321-8FED-CBA987654321"), date("2026-03-09T18:00:00Z"), Kind::restored,
         "/home/ann/Documents/Rechnung (1).pdf", quarantine + "Rechnung.pdf", 0, "", std::nullopt},
    };
}

std::string goldenBytes() {
    return testing::readFile(fs::path(DUSTLYN_HISTORY_GOLDEN_DIR) / "history.json");
}

// Entry number `n` of a made-up history, one minute apart.
HistoryEntry numbered(int n, Kind kind = Kind::quarantined) {
    return {Uuid::random(),
            dateFromUnix(1772356500 + 60 * std::int64_t(n)),
            kind,
            "/home/ann/Desktop/file " + std::to_string(n) + ".png",
            "/q/file " + std::to_string(n) + ".png",
            n,
            "Screenshots",
            std::nullopt};
}

std::vector<HistoryEntry> numberedEntries(int from, int count) {
    std::vector<HistoryEntry> entries;
    for (int n = from; n < from + count; ++n)
        entries.push_back(numbered(n));
    return entries;
}

bool somethingAt(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

struct HistoryFile : ::testing::Test {
    testing::TempDir dir;
    HistoryStore store{dir / "history.json", 5000};
};

// Fractions of seconds are dropped; missing folders are made; interrupted writes' leftovers
// (and only this file's) are cleared.
TEST_F(HistoryFile, saveWritesExactlyTheCheckedInBytesAndLoadGivesTheEntriesBack) {
    testing::writeFile(dir / ".history.json.tmp-a1B2c3", "[{\"half");
    testing::writeFile(dir / ".config.json.tmp-a1B2c3", "the configuration's");
    auto entries = goldenEntries();
    entries[0].date = dateAfter(entries[0].date, 0.75);
    store.save(entries);
    EXPECT_EQ(testing::readFile(store.url()), goldenBytes());
    EXPECT_EQ(store.load(), goldenEntries());
    EXPECT_FALSE(somethingAt(dir / ".history.json.tmp-a1B2c3"));
    EXPECT_TRUE(somethingAt(dir / ".config.json.tmp-a1B2c3"));

    const HistoryStore nested(dir / "a/b/history.json", 5000);
    nested.save({});
    EXPECT_EQ(testing::readFile(nested.url()), "[]");
    EXPECT_EQ(HistoryStore::defaultStore(UserFolders::make("/home/ann", "/home/ann/.data")).url(),
              fs::path("/home/ann/.data/Dustlyn/history.json"));
    EXPECT_EQ(HistoryStore::inFolder("/x").limit(), 5000);
}

// A save that fails is not reported and touches nothing.
TEST_F(HistoryFile, aFailedSaveTouchesNothing) {
    testing::writeFile(dir / "file", "not a folder");
    const HistoryStore blocked(dir / "file/history.json", 5000);
    EXPECT_NO_THROW(blocked.save(goldenEntries()));
    EXPECT_EQ(testing::readFile(dir / "file"), "not a folder");
    EXPECT_EQ(blocked.append({numbered(1)}).size(), 1u) << "the caller still gets the list";

    store.save(goldenEntries());
    HistoryEntry bad = numbered(1);
    bad.originalPath = "/home/ann/bad\xff.png";
    EXPECT_THROW(HistoryStore::encode({bad}), std::invalid_argument);
    store.save({bad});
    EXPECT_EQ(testing::readFile(store.url()), goldenBytes());
}

// A file over the cap (written under a larger one) is read whole and trimmed by the next
// append; more new entries than the cap keep only the newest.
TEST(HistoryAppend, theCapDropsExactlyTheOldestEntriesPastIt) {
    const struct {
        int limit, before, added;
        std::size_t kept;
    } cases[] = {{5000, 4999, 3, 5000}, {5000, 5000, 1, 5000}, {5, 8, 1, 5}, {2, 2, 3, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " + " + std::to_string(c.added));
        testing::TempDir dir;
        const HistoryStore store(dir / "history.json", c.limit);
        auto all = numberedEntries(0, c.before);
        HistoryStore(store.url(), 10000).save(all);
        const auto added = numberedEntries(10000, c.added);
        all.insert(all.end(), added.begin(), added.end());
        const auto result = store.append(added);
        EXPECT_EQ(result, std::vector<HistoryEntry>(all.end() - std::ptrdiff_t(c.kept), all.end()));
        EXPECT_EQ(store.load(), result);
    }
}

TEST_F(HistoryFile, anEmptyAppendWritesNothingAndReturnsTheFile) {
    const HistoryStore absent(dir / "none/history.json", 5000);
    EXPECT_TRUE(absent.append({}).empty());
    EXPECT_FALSE(somethingAt(dir / "none"));
    store.save(goldenEntries());
    const Date past = date("2020-01-01T00:00:00Z");
    testing::setModificationDate(store.url(), past);
    EXPECT_EQ(store.append({}), goldenEntries());
    EXPECT_EQ(testing::modificationDate(store.url()), past);
    testing::writeFile(store.url(), "{");
    EXPECT_TRUE(store.append({}).empty());
    EXPECT_EQ(testing::readFile(store.url()), "{");
    EXPECT_FALSE(somethingAt(store.damagedURL()));
}

// The cap trims the oldest entries, but the record of a file still in the quarantine is the
// only place its origin is written: it stays, and the file may then hold more than the cap.
TEST(HistoryAppend, theCapNeverDropsTheRecordOfAFileStillInTheQuarantine) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 3);
    auto at = [&](int n, Kind kind, const std::string& name) {
        HistoryEntry e = numbered(n, kind);
        e.quarantinePath = (dir / "Quarantine" / name).native();
        return e;
    };
    testing::writeFile(dir / "Quarantine/here.png");
    testing::writeFile(dir / "Quarantine/reused.png");
    const std::vector<HistoryEntry> old = {
        at(0, Kind::quarantined, "here.png"),   // still in the quarantine: stays
        at(1, Kind::quarantined, "gone.png"),   // nothing there any more
        at(2, Kind::quarantined, "reused.png"), // the name went to a later file
        at(3, Kind::deleted, "reused.png"),
        at(4, Kind::quarantined, "reused.png"), // that later file, still there: stays
        at(5, Kind::restored, "gone.png"),
    };
    HistoryStore(store.url(), 100).save(old);
    const auto added = at(6, Kind::quarantined, "new.png");
    EXPECT_EQ(store.append({added}), (std::vector<HistoryEntry>{old[0], old[4], added}));

    // More files in the quarantine than the cap: every one keeps its record.
    std::vector<HistoryEntry> many;
    for (int n = 10; n < 15; ++n) {
        testing::writeFile(dir / "Quarantine" / ("many " + std::to_string(n)));
        many.push_back(at(n, Kind::quarantined, "many " + std::to_string(n)));
    }
    const auto result = store.append(many);
    EXPECT_EQ(result.size(), 7u);
    EXPECT_EQ(std::vector<HistoryEntry>(result.end() - 5, result.end()), many);
}

TEST_F(HistoryFile, appendKeepsTheDamagedBytesAsideBesideOlderCopiesAndWritesWhatReads) {
    const std::string damaged = goldenBytes().substr(0, 300);
    testing::writeFile(store.url(), damaged);
    testing::writeFile(store.damagedURL(), "an older damaged copy");
    std::vector<HistoryEntry> expected = store.load();
    EXPECT_EQ(testing::readFile(store.url()), damaged) << "load never writes";
    const auto added = numberedEntries(0, 2);
    expected.insert(expected.end(), added.begin(), added.end());
    EXPECT_EQ(store.append(added), expected);
    EXPECT_EQ(store.damagedURL(), dir / "history.json.damaged");
    EXPECT_EQ(testing::readFile(store.damagedURL()), "an older damaged copy");
    EXPECT_EQ(testing::readFile(dir / "history.json.damaged-2"), damaged);
    EXPECT_FALSE(store.read().damaged);
    store.append({numbered(5)});
    EXPECT_FALSE(somethingAt(dir / "history.json.damaged-3"));

    // Something unreadable in the file's place is moved aside too.
    const HistoryStore blocked(dir / "blocked.json", 5000);
    testing::writeFile(blocked.url() / "inside", "kept");
    EXPECT_EQ(blocked.append(added), added);
    EXPECT_EQ(testing::readFile(blocked.damagedURL() / "inside"), "kept");
    // No ".damaged" name fits beside a name this long: the file is then never overwritten.
    const HistoryStore longName(dir / std::string(250, 'h'), 5000);
    testing::writeFile(longName.url(), "[{");
    EXPECT_EQ(longName.append(added), added) << "the running program still gets its list";
    EXPECT_EQ(testing::readFile(longName.url()), "[{");
}

TEST(HistoryQueries, theNewestQuarantinedEntryWithExactlyThatPathGivesTheOrigin) {
    const std::string path = "/q/report.pdf";
    auto entry = [&](Kind kind, std::string origin, std::string quarantined = "/q/report.pdf") {
        HistoryEntry e = numbered(0, kind);
        e.originalPath = std::move(origin);
        e.quarantinePath = std::move(quarantined);
        return e;
    };
    const std::vector<HistoryEntry> entries = {
        entry(Kind::quarantined, "/first/report.pdf"),
        entry(Kind::quarantined, "/second/report.pdf"),
        entry(Kind::quarantined, "/other/Report.pdf", "/q/Report.pdf"),
        entry(Kind::deleted, "/deleted/report.pdf"),
        entry(Kind::restored, "/restored/report.pdf"),
        entry(Kind::quarantined, "/trailing/report.pdf", path + "/"),
    };
    EXPECT_EQ(HistoryStore::originalPath(path, entries), "/second/report.pdf");
    EXPECT_FALSE(HistoryStore::originalPath("/q/REPORT.PDF", entries));
    EXPECT_FALSE(HistoryStore::originalPath(path, {entry(Kind::deleted, "/d/report.pdf")}));
}

TEST(HistoryQueries, statsCountEntriesDatedAtOrAfterSinceAndNoRestoredSize) {
    const Date since = date("2026-03-01T00:00:00Z");
    auto entry = [](Kind kind, Date when, std::int64_t size) {
        HistoryEntry e = numbered(0, kind);
        e.date = when;
        e.size = size;
        return e;
    };
    const std::vector<HistoryEntry> entries = {
        entry(Kind::quarantined, dateAfter(since, -1), 1000), entry(Kind::quarantined, since, 10),
        entry(Kind::quarantined, dateAfter(since, 3600), 20), entry(Kind::deleted, since, 300),
        entry(Kind::deleted, dateAfter(since, -0.001), 5000), entry(Kind::restored, since, 77),
    };
    EXPECT_EQ(HistoryStore::stats(entries, since), (HistoryStats{2, 30, 1, 300, 1}));
    // Sizes from an edited file stop at the largest value.
    const auto big = std::numeric_limits<std::int64_t>::max();
    const auto huge = entry(Kind::quarantined, since, big);
    EXPECT_EQ(HistoryStore::stats({huge, huge}, since).clearedSize, big);
}

} // namespace
} // namespace dustlyn

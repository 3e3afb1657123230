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

TEST(HistoryGolden, saveWritesExactlyTheCheckedInBytesAndLoadGivesTheEntriesBack) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    store.save(goldenEntries());
    EXPECT_EQ(testing::readFile(store.url()), goldenBytes());
    EXPECT_EQ(HistoryStore::encode(goldenEntries()), goldenBytes());
    EXPECT_EQ(store.load(), goldenEntries());
}

TEST(HistorySave, dropsFractionsOfSecondsAndLeavesOutAnAbsentSweep) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    HistoryEntry entry = numbered(1);
    entry.date = dateAfter(entry.date, 0.75);
    store.save({entry});
    const std::string bytes = testing::readFile(store.url());
    EXPECT_EQ(bytes.find("sweepID"), std::string::npos);
    EXPECT_NE(bytes.find("\"date\":\"2026-03-01T09:16:00Z\""), std::string::npos);
    const auto loaded = store.load();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_FALSE(loaded[0].sweepID);
    EXPECT_EQ(loaded[0].date, wholeSeconds(entry.date));
    entry.date = wholeSeconds(entry.date);
    EXPECT_EQ(loaded[0], entry);
}

// Missing folders are made; a save that fails is not reported and touches nothing.
TEST(HistorySave, createsMissingFoldersAndAFailureTouchesNothing) {
    testing::TempDir dir;
    const HistoryStore store(dir / "a/b/history.json", 5000);
    store.save({});
    EXPECT_EQ(testing::readFile(store.url()), "[]");
    testing::writeFile(dir / "file", "not a folder");
    const HistoryStore blocked(dir / "file/history.json", 5000);
    EXPECT_NO_THROW(blocked.save(goldenEntries()));
    EXPECT_EQ(testing::readFile(dir / "file"), "not a folder");
    EXPECT_EQ(blocked.append({numbered(1)}).size(), 1u) << "the caller still gets the list";
}

TEST(HistorySave, textThatIsNotUtf8CannotBeEncodedAndKeepsTheOldFile) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    store.save(goldenEntries());
    HistoryEntry bad = numbered(1);
    bad.originalPath = "/home/ann/bad\xff.png";
    EXPECT_THROW(HistoryStore::encode({bad}), std::invalid_argument);
    store.save({bad});
    EXPECT_EQ(testing::readFile(store.url()), goldenBytes());
}

TEST(HistorySave, clearsTemporaryFilesAnInterruptedWriteLeftBehind) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    testing::writeFile(dir / ".history.json.tmp-a1B2c3", "[{\"half");
    testing::writeFile(dir / ".history.json.tmp-longer-name", "someone else's");
    testing::writeFile(dir / ".config.json.tmp-a1B2c3", "the configuration's");
    store.save(goldenEntries());
    EXPECT_FALSE(somethingAt(dir / ".history.json.tmp-a1B2c3"));
    EXPECT_TRUE(somethingAt(dir / ".history.json.tmp-longer-name"));
    EXPECT_TRUE(somethingAt(dir / ".config.json.tmp-a1B2c3"));
    EXPECT_EQ(store.load(), goldenEntries());
}

// A file over the cap (written under a larger one) is read whole and trimmed by the next
// append; more new entries than the cap keep only the newest.
TEST(HistoryAppend, theCapDropsExactlyTheOldestEntriesPastIt) {
    const struct {
        int limit, before, added;
        std::size_t kept;
    } cases[] = {{5000, 4999, 3, 5000},
                 {5000, 5000, 1, 5000},
                 {5000, 4999, 1, 5000},
                 {5, 8, 1, 5},
                 {2, 2, 3, 2}};
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

TEST(HistoryAppend, readsTheFileAndNotTheCallersCopy) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    store.save(goldenEntries());
    const auto added = numbered(1);
    auto expected = goldenEntries();
    expected.push_back(added);
    EXPECT_EQ(store.append({added}), expected);
    EXPECT_EQ(store.load(), expected);
}

TEST(HistoryAppend, anEmptyListWritesNothingAndReturnsTheFile) {
    testing::TempDir dir;
    const HistoryStore absent(dir / "none/history.json", 5000);
    EXPECT_TRUE(absent.append({}).empty());
    EXPECT_FALSE(somethingAt(dir / "none"));

    const HistoryStore store(dir / "history.json", 5000);
    store.save(goldenEntries());
    const Date past = date("2020-01-01T00:00:00Z");
    testing::setModificationDate(store.url(), past);
    EXPECT_EQ(store.append({}), goldenEntries());
    EXPECT_EQ(testing::readFile(store.url()), goldenBytes());
    EXPECT_EQ(testing::modificationDate(store.url()), past);
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
    EXPECT_EQ(store.append({added}), (std::vector<HistoryEntry>{old[0], old[4], added}))
        << "four entries go, oldest first, passing over the two kept for their files";
    EXPECT_EQ(store.load().size(), 3u);

    // More files in the quarantine than the cap: every one keeps its record (new.png, whose
    // file is gone, makes room).
    std::vector<HistoryEntry> many;
    for (int n = 10; n < 15; ++n) {
        testing::writeFile(dir / "Quarantine" / ("many " + std::to_string(n)));
        many.push_back(at(n, Kind::quarantined, "many " + std::to_string(n)));
    }
    const auto result = store.append(many);
    EXPECT_EQ(result.size(), 7u);
    EXPECT_EQ(result.front(), old[0]);
    EXPECT_EQ(std::vector<HistoryEntry>(result.end() - 5, result.end()), many);
}

TEST(HistoryDamagedFile, appendKeepsTheDamagedBytesAsideBesideOlderCopiesAndWritesWhatReads) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    const std::string damaged = goldenBytes().substr(0, 300);
    testing::writeFile(store.url(), damaged);
    testing::writeFile(store.damagedURL(), "an older damaged copy");

    const std::vector<HistoryEntry> readable = store.load();
    EXPECT_TRUE(store.read().damaged);
    EXPECT_EQ(testing::readFile(store.url()), damaged) << "load never writes";

    const auto added = numberedEntries(0, 2);
    std::vector<HistoryEntry> expected = readable;
    expected.insert(expected.end(), added.begin(), added.end());
    EXPECT_EQ(store.append(added), expected);
    EXPECT_EQ(store.damagedURL(), dir / "history.json.damaged");
    EXPECT_EQ(testing::readFile(store.damagedURL()), "an older damaged copy");
    EXPECT_EQ(testing::readFile(dir / "history.json.damaged-2"), damaged);
    EXPECT_EQ(store.load(), expected);
    EXPECT_FALSE(store.read().damaged);

    // The file is healthy again: the next append keeps the copies aside as they are.
    store.append({numbered(5)});
    EXPECT_EQ(testing::readFile(dir / "history.json.damaged-2"), damaged);
    EXPECT_FALSE(somethingAt(dir / "history.json.damaged-3"));
    EXPECT_EQ(store.load().size(), expected.size() + 1);
}

TEST(HistoryDamagedFile, anEmptyAppendLeavesTheDamagedFileInPlace) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    testing::writeFile(store.url(), "{");
    EXPECT_TRUE(store.append({}).empty());
    EXPECT_EQ(testing::readFile(store.url()), "{");
    EXPECT_FALSE(somethingAt(store.damagedURL()));
}

TEST(HistoryDamagedFile, somethingUnreadableInTheFilesPlaceIsMovedAsideToo) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    testing::writeFile(store.url() / "inside", "kept");
    const auto added = numberedEntries(0, 1);
    EXPECT_EQ(store.append(added), added);
    EXPECT_EQ(testing::readFile(store.damagedURL() / "inside"), "kept");
    EXPECT_EQ(store.load(), added);
}

TEST(HistoryDamagedFile, whenItCannotBeMovedAsideItIsNotOverwritten) {
    testing::TempDir dir;
    // No ".damaged" name fits beside a name this long.
    const HistoryStore store(dir / std::string(250, 'h'), 5000);
    testing::writeFile(store.url(), "[{");
    const auto added = numberedEntries(0, 1);
    EXPECT_EQ(store.append(added), added) << "the running program still gets its list";
    EXPECT_EQ(testing::readFile(store.url()), "[{");
}

TEST(HistoryOriginalPath, newestQuarantinedEntryWithExactlyThatPathWins) {
    const std::string path = "/q/report.pdf";
    auto entry = [&](Kind kind, std::string origin, std::string quarantined) {
        HistoryEntry e = numbered(0, kind);
        e.originalPath = std::move(origin);
        e.quarantinePath = std::move(quarantined);
        return e;
    };
    const std::vector<HistoryEntry> entries = {
        entry(Kind::quarantined, "/first/report.pdf", path),
        entry(Kind::restored, "/first/report.pdf", path),
        entry(Kind::quarantined, "/second/report.pdf", path),
        entry(Kind::quarantined, "/other/Report.pdf", "/q/Report.pdf"),
        entry(Kind::deleted, "/deleted/report.pdf", path),
        entry(Kind::restored, "/restored/report.pdf", path),
        entry(Kind::quarantined, "/trailing/report.pdf", path + "/"),
    };
    EXPECT_EQ(HistoryStore::originalPath(path, entries), "/second/report.pdf");
    EXPECT_EQ(HistoryStore::originalPath("/q/Report.pdf", entries), "/other/Report.pdf");
    EXPECT_FALSE(HistoryStore::originalPath("/q/REPORT.PDF", entries));
    EXPECT_FALSE(
        HistoryStore::originalPath("/q/report.pdf", {entry(Kind::deleted, "/d/report.pdf", path)}));
    EXPECT_FALSE(HistoryStore::originalPath(path, {}));
}

TEST(HistoryStats, countsEntriesDatedAtOrAfterSinceAndNoRestoredSize) {
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
        entry(Kind::restored, dateAfter(since, 86400), 88),
    };
    EXPECT_EQ(HistoryStore::stats(entries, since), (HistoryStats{2, 30, 1, 300, 2}));
    EXPECT_EQ(HistoryStore::stats({}, since), HistoryStats{});
    EXPECT_EQ(HistoryStore::stats(entries, Date::min()), (HistoryStats{3, 1030, 2, 5300, 2}));
    // Sizes from an edited file stop at the largest value.
    const auto big = std::numeric_limits<std::int64_t>::max();
    const auto huge = entry(Kind::quarantined, since, big);
    EXPECT_EQ(HistoryStore::stats({huge, huge}, since).clearedSize, big);
}

TEST(HistoryDefaultStore, liesInTheSupportFolderWithTheLimitOf5000) {
    const auto folders = UserFolders::make("/home/ann", "/home/ann/.data");
    const auto store = HistoryStore::defaultStore(folders);
    EXPECT_EQ(store.url(), fs::path("/home/ann/.data/Dustlyn/history.json"));
    EXPECT_EQ(store.limit(), 5000);
}

} // namespace
} // namespace dustlyn

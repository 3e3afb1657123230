#include "core/history/HistoryStore.h"
#include "core/base/DecodingError.h"
#include "core/history/HistoryDecoder.h"
#include "core/history/HistoryQuickReader.h"
#include "core/history/HistoryTail.h"
#include "core/history/PreparedTrim.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <stdexcept>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
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
HistoryEntry numbered(int n, Kind kind = Kind::quarantined, const fs::path& quarantine = "/q") {
    return {Uuid::random(),
            dateFromUnix(1772356500 + 60 * std::int64_t(n)),
            kind,
            "/home/ann/Desktop/file \"" + std::to_string(n) + "\".png",
            (quarantine / ("file " + std::to_string(n) + ".png")).native(),
            n,
            "Screenshots",
            n % 2 ? std::optional<Uuid>(Uuid::random()) : std::nullopt};
}

// Entries `from` to `from + count`, every third one a deletion; the files of the first
// `present` quarantined ones lie in `quarantine`.
std::vector<HistoryEntry> numberedEntries(int from, int count, const fs::path& quarantine = "/q",
                                          int present = 0) {
    std::vector<HistoryEntry> entries;
    for (int n = from; n < from + count; ++n) {
        entries.push_back(numbered(n, n % 3 ? Kind::quarantined : Kind::deleted, quarantine));
        if (n % 3 && present-- > 0)
            testing::writeFile(entries.back().quarantinePath);
    }
    return entries;
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
    EXPECT_FALSE(fs::exists(dir / ".history.json.tmp-a1B2c3"));
    EXPECT_TRUE(fs::exists(dir / ".config.json.tmp-a1B2c3"));

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
// append; more new entries than the cap keep only the newest. Appending at the tail leaves
// exactly the bytes a whole read and write leaves.
TEST(HistoryAppend, theCapDropsTheOldestEntriesPastItAndTheTailWritesWhatAWholeWriteWrites) {
    const struct {
        int limit, stored, added, present; // present: the oldest quarantined entries' files
    } cases[] = {{5000, 4999, 3, 0}, {5000, 5000, 1, 0},    {5, 8, 1, 0},   {2, 2, 3, 0},
                 {5000, 0, 2, 0},    {5000, 4999, 1000, 0}, {10, 10, 3, 2}, {8, 40, 5, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + " + " + std::to_string(c.added));
        testing::TempDir dir;
        auto all = numberedEntries(0, c.stored, dir / "Quarantine", c.present);
        const HistoryStore whole(dir / "whole/history.json", c.limit);
        const HistoryStore tail(dir / "tail/history.json", c.limit);
        HistoryStore(whole.url(), 10000).save(all);
        HistoryStore(tail.url(), 10000).save(all);
        const auto added = numberedEntries(10000, c.added, dir / "Quarantine");
        all.insert(all.end(), added.begin(), added.end());
        const auto result = whole.append(added);
        const auto kept = std::ptrdiff_t(std::min<std::size_t>(all.size(), c.limit));
        if (c.present == 0) {
            EXPECT_EQ(result, std::vector<HistoryEntry>(all.end() - kept, all.end()));
        }
        EXPECT_EQ(whole.load(), result);
        // More new entries than the cap are left to a whole write.
        const auto appended = tail.appendToTail(added);
        ASSERT_EQ(appended, c.added > c.limit ? std::nullopt : std::optional<bool>(true));
        if (appended) {
            EXPECT_EQ(testing::readFile(tail.url()), testing::readFile(whole.url()));
        }
    }
}

TEST_F(HistoryFile, anEmptyAppendWritesNothingAndReturnsTheFile) {
    const HistoryStore absent(dir / "none/history.json", 5000);
    EXPECT_TRUE(absent.append({}).empty());
    EXPECT_FALSE(fs::exists(dir / "none"));
    store.save(goldenEntries());
    const Date past = date("2020-01-01T00:00:00Z");
    testing::setModificationDate(store.url(), past);
    EXPECT_EQ(store.append({}), goldenEntries());
    EXPECT_EQ(testing::modificationDate(store.url()), past);
    testing::writeFile(store.url(), "{");
    EXPECT_TRUE(store.append({}).empty());
    EXPECT_EQ(testing::readFile(store.url()), "{");
    EXPECT_FALSE(fs::exists(dir / "history.json.damaged"));
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
    // The tail writer trims by the same rules, looking at the entries it drops only: a name
    // used again later in the file, or by a new entry, is the later file's.
    const auto over = at(7, Kind::quarantined, "here.png");
    const struct {
        HistoryEntry added;
        std::vector<HistoryEntry> kept;
    } appends[] = {{added, {old[0], old[4], added}}, {over, {old[4], old[5], over}}};
    for (const auto& [entry, kept] : appends) {
        SCOPED_TRACE(entry.quarantinePath);
        const HistoryStore whole(dir / "whole/history.json", 3);
        const HistoryStore tail(dir / "tail/history.json", 3);
        HistoryStore(whole.url(), 100).save(old);
        HistoryStore(tail.url(), 100).save(old);
        EXPECT_EQ(whole.append({entry}), kept);
        EXPECT_EQ(tail.appendToTail({entry}), true);
        EXPECT_EQ(testing::readFile(tail.url()), testing::readFile(whole.url()));
    }
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
    testing::writeFile(dir / "history.json.damaged", "an older damaged copy");
    std::vector<HistoryEntry> expected = store.load();
    EXPECT_EQ(testing::readFile(store.url()), damaged) << "load never writes";
    const auto added = numberedEntries(0, 2);
    expected.insert(expected.end(), added.begin(), added.end());
    EXPECT_EQ(store.append(added), expected);
    EXPECT_EQ(testing::readFile(dir / "history.json.damaged"), "an older damaged copy");
    EXPECT_EQ(testing::readFile(dir / "history.json.damaged-2"), damaged);
    EXPECT_FALSE(store.read().damaged);
    store.append({numbered(5)});
    EXPECT_FALSE(fs::exists(dir / "history.json.damaged-3"));

    // Something unreadable in the file's place is moved aside too.
    const HistoryStore blocked(dir / "blocked.json", 5000);
    testing::writeFile(blocked.url() / "inside", "kept");
    EXPECT_EQ(blocked.append(added), added);
    EXPECT_EQ(testing::readFile(dir / "blocked.json.damaged/inside"), "kept");
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

// Where only a whole read can say what the file holds, the tail is left alone.
TEST(HistoryTailDecline, declinesFilesItCannotReadAtTheirEnds) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5);
    const auto added = numberedEntries(10, 1, dir / "Quarantine");
    // No file is no content: the first entries are written as a whole write writes them.
    const HistoryStore first(dir / "first/history.json", 5);
    EXPECT_EQ(first.appendToTail(added), true);
    EXPECT_EQ(first.load(), added);
    EXPECT_EQ(testing::readFile(first.url()), HistoryStore::encode(added));
    const HistoryStore over(dir / "over/history.json", 5);
    EXPECT_EQ(over.appendToTail(numberedEntries(20, 6, dir / "Quarantine")), std::nullopt)
        << "more than the cap: trimmed by a whole write";
    EXPECT_FALSE(fs::exists(over.url()));

    store.save(numberedEntries(0, 3, dir / "Quarantine"));
    const std::string sound = testing::readFile(store.url());
    const std::vector<std::pair<const char*, std::string>> odd = {
        {"cut short", sound.substr(0, sound.size() - 9)},
        {"written by hand", "[\n" + sound.substr(1)},
        {"empty", ""},
    };
    for (const auto& [what, bytes] : odd) {
        SCOPED_TRACE(what);
        testing::writeFile(store.url(), bytes);
        EXPECT_FALSE(store.looksWhole());
        EXPECT_EQ(store.appendToTail(added), std::nullopt);
        EXPECT_EQ(testing::readFile(store.url()), bytes);
    }

    // Every old entry keeps a file in the quarantine: only the new ones could make room.
    auto kept = numberedEntries(0, 5, dir / "Quarantine");
    for (auto& entry : kept) {
        entry.kind = Kind::quarantined;
        testing::writeFile(entry.quarantinePath);
    }
    store.save(kept);
    EXPECT_TRUE(store.looksWhole());
    EXPECT_EQ(store.appendToTail(added), std::nullopt);
}

enum class Foreseen { nothing, theEntriesMade, otherEntries };

struct PreparedCase {
    const char* name;
    int planned;       // the moves the trim was begun for
    int added;         // the entries the moves made
    int present;       // the oldest quarantined entries whose files are still in the quarantine
    bool replaced;     // the file was written again between the beginning and the end
    Foreseen foreseen; // the encoding given when it was begun
    bool finished;     // whether the begun trim is the one used
};

class PreparedTrimEnd : public ::testing::TestWithParam<PreparedCase> {};

// Begun or not, used or given up, the file ends as a whole read and write leaves it, and no
// temporary file is left beside it.
TEST_P(PreparedTrimEnd, leavesWhatAWholeWriteLeaves) {
    const PreparedCase& c = GetParam();
    testing::TempDir dir;
    const fs::path quarantine = dir / "Quarantine";
    const int limit = 20;
    auto stored = numberedEntries(0, limit, quarantine, c.present);
    const HistoryStore whole(dir / "whole/history.json", limit);
    const HistoryStore store(dir / "store/history.json", limit);
    whole.save(stored);
    store.save(stored);

    const auto added = numberedEntries(1000, c.added, quarantine);
    std::shared_ptr<const std::string> foreseen;
    if (c.foreseen != Foreseen::nothing)
        foreseen = std::make_shared<const std::string>(HistoryStore::encode(
            c.foreseen == Foreseen::theEntriesMade ? added
                                                   : numberedEntries(2000, c.added, quarantine)));
    auto begun = store.prepareTrim(std::size_t(c.planned), [&foreseen] { return foreseen; });
    ASSERT_TRUE(begun);
    if (c.replaced) {
        stored = numberedEntries(50, limit, quarantine);
        whole.save(stored);
        store.save(stored);
    }
    const auto expected = whole.append(added);
    const auto file = HistoryTail::open(store.url());
    ASSERT_TRUE(file);
    EXPECT_EQ(begun->finish(store.url(), HistoryTail::entryStarts(file->bytes), limit,
                            HistoryStore::encode(added)),
              c.finished);
    if (!c.finished) {
        ASSERT_EQ(store.appendToTail(added), std::optional<bool>(true));
    }
    begun.reset();

    EXPECT_EQ(testing::readFile(store.url()), testing::readFile(whole.url()));
    EXPECT_EQ(store.load(), expected);
    EXPECT_EQ(testing::namesIn(store.url().parent_path()),
              std::vector<std::string>{"history.json"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreparedTrimEnd,
    ::testing::Values(
        PreparedCase{"keepingFilesStillInTheQuarantine", 5, 5, 2, false, Foreseen::nothing, true},
        PreparedCase{"everyOldEntryGoing", 20, 20, 0, false, Foreseen::nothing, true},
        PreparedCase{"fewerMovedThanPlanned", 5, 4, 0, false, Foreseen::nothing, false},
        PreparedCase{"fileWrittenMeanwhile", 5, 5, 0, true, Foreseen::nothing, false},
        PreparedCase{"newEntriesWrittenAhead", 5, 5, 2, false, Foreseen::theEntriesMade, true},
        PreparedCase{"otherEntriesWrittenAhead", 5, 5, 2, false, Foreseen::otherEntries, false},
        PreparedCase{"aheadButFewerMoved", 5, 4, 0, false, Foreseen::theEntriesMade, false},
        PreparedCase{"aheadOfAFileWrittenMeanwhile", 5, 5, 0, true, Foreseen::theEntriesMade,
                     false}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST(PreparedTrimBegin, onlyWhenTheEntriesWouldNotFit) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 20);
    EXPECT_FALSE(store.prepareTrim(1)) << "no file";
    store.save(numberedEntries(0, 15));
    EXPECT_FALSE(store.prepareTrim(5));
    EXPECT_TRUE(store.prepareTrim(6));
}

Json validEntry() {
    return Json::parse(R"({"id":"5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E",
        "date":"2026-03-01T09:15:00Z","kind":"quarantined",
        "originalPath":"/home/ann/Desktop/a.png",
        "quarantinePath":"/home/ann/.local/share/Dustlyn/Quarantine/a.png",
        "size":12,"ruleName":"Screenshots",
        "sweepID":"0D9C8B7A-6F5E-4D3C-8B2A-190817263544"})");
}

// One spoiled entry must not cost the origins of all the others; the strict readers refuse it.
TEST_F(HistoryFile, oneBadEntryIsLeftOutAndCountedAndTheOthersAreRead) {
    const std::vector<std::pair<const char*, std::function<void(Json&)>>> rows = {
        {"no id", [](Json& e) { e.erase("id"); }},
        {"no size", [](Json& e) { e.erase("size"); }},
        {"date has fractional seconds", [](Json& e) { e["date"] = "2026-03-01T09:15:00.500Z"; }},
        {"date is not a day", [](Json& e) { e["date"] = "2026-02-30T09:15:00Z"; }},
        {"kind in another case", [](Json& e) { e["kind"] = "Restored"; }},
        {"originalPath is null", [](Json& e) { e["originalPath"] = nullptr; }},
        {"size has a fraction", [](Json& e) { e["size"] = 1.5; }},
        {"size is beyond 64 bits", [](Json& e) { e["size"] = 9223372036854775808ull; }},
        {"sweepID is not a UUID", [](Json& e) { e["sweepID"] = "x"; }},
        {"entry is text", [](Json& e) { e = "entry"; }},
    };
    Json second = validEntry();
    second["id"] = "5B1D7E0A-3C2F-4A8B-9D6E-000000000002";
    const auto good = HistoryStore::decode(Json::array({validEntry(), second}).dump());
    for (const auto& [name, spoil] : rows) {
        SCOPED_TRACE(name);
        Json bad = validEntry();
        spoil(bad);
        const std::string bytes = Json::array({validEntry(), bad, second}).dump();
        testing::writeFile(store.url(), bytes);
        EXPECT_THROW(HistoryStore::decode(bytes), DecodingError);
        const HistoryReadout readout = store.read();
        EXPECT_EQ(readout.entries, good);
        EXPECT_EQ(readout.skipped, 1u);
        EXPECT_TRUE(readout.damaged);
        EXPECT_FALSE(readout.cutShort);
        EXPECT_EQ(testing::readFile(store.url()), bytes) << "reading must not write";
    }
}

TEST_F(HistoryFile, aFileThatBreaksOffKeepsWhatCameBeforeAndAnythingElseReadsAsEmpty) {
    const std::string valid = validEntry().dump();
    const std::vector<std::pair<const char*, std::string>> cut = {
        {"cut in the second entry", "[" + valid + "," + valid.substr(0, valid.size() / 2)},
        {"trailing bytes", "[" + valid + "]x"},
        {"a bad character after the first entry", "[" + valid + ",\xff]"},
    };
    for (const auto& [name, bytes] : cut) {
        SCOPED_TRACE(name);
        testing::writeFile(store.url(), bytes);
        const HistoryReadout readout = store.read();
        EXPECT_EQ(readout.entries.size(), 1u);
        EXPECT_TRUE(readout.cutShort && readout.damaged);
        EXPECT_FALSE(readout.reason.empty());
    }
    for (const std::string& bytes :
         {valid, std::string("history"), std::string(), std::string("null"), std::string("[1,2]"),
          "[" + std::string(valid).replace(valid.find("a.png"), 1, "\xff") + "]"}) {
        SCOPED_TRACE(bytes);
        testing::writeFile(store.url(), bytes);
        EXPECT_THROW(HistoryStore::decode(bytes), DecodingError);
        EXPECT_TRUE(store.load().empty());
        EXPECT_TRUE(store.read().damaged);
    }
    testing::writeFile(store.url(), " [ ] ");
    EXPECT_TRUE(store.load().empty());
    EXPECT_FALSE(store.read().damaged);
}

// The store writes dates with its own formatting, and text through the JSON escaping shared
// with the configuration; the common form, key by key, is held by the golden history file.
TEST(HistoryFileEncoding, oddTextAndExtremeDatesReadBackExactly) {
    std::vector<HistoryEntry> entries;
    for (const Date when : {dateFromUnix(-1), *storedDate("1678-01-01T00:00:00Z"),
                            *storedDate("2261-12-31T23:59:59Z")}) {
        entries.push_back(numbered(int(entries.size())));
        entries.back().date = when;
    }
    entries[0].originalPath = entries[0].ruleName =
        "tab\tnew\nline\rcr\bbs\fff\x01\x7f Übersicht 📷";
    const std::string bytes = HistoryStore::encode(entries);
    EXPECT_EQ(HistoryStore::decode(bytes), entries);
    EXPECT_EQ(HistoryDecoder::decodeWithReader(bytes), entries);
}

} // namespace
} // namespace dustlyn

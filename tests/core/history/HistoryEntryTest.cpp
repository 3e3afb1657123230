#include "core/history/HistoryEntry.h"
#include "core/base/DecodingError.h"
#include "core/base/JsonText.h"
#include "core/history/HistoryDecoder.h"
#include "core/history/HistoryQuickReader.h"
#include "core/history/HistoryStore.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace dustlyn {
namespace {

using Json = nlohmann::json;

Json validEntry() {
    return Json::parse(R"({"id":"5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E",
        "date":"2026-03-01T09:15:00Z","kind":"quarantined",
        "originalPath":"/home/ann/Desktop/a.png",
        "quarantinePath":"/home/ann/.local/share/Dustlyn/Quarantine/a.png",
        "size":12,"ruleName":"Screenshots",
        "sweepID":"0D9C8B7A-6F5E-4D3C-8B2A-190817263544"})");
}

TEST(HistoryEntryKinds, storedAsTheirTextsAndNothingElseReads) {
    for (auto kind : {HistoryEntry::Kind::quarantined, HistoryEntry::Kind::deleted,
                      HistoryEntry::Kind::restored}) {
        SCOPED_TRACE(kindText(kind));
        EXPECT_EQ(kindFromText(kindText(kind)), kind);
    }
    EXPECT_FALSE(kindFromText("Quarantined"));
    EXPECT_FALSE(kindFromText("purged"));
    EXPECT_FALSE(kindFromText(""));
}

TEST(HistoryEntryFileName, isTheLastComponentOfTheOriginalPath) {
    HistoryEntry entry;
    entry.originalPath = "/home/ann/Desktop/Screenshot 09.00.png";
    EXPECT_EQ(entry.fileName(), "Screenshot 09.00.png");
    entry.originalPath = "café.pdf";
    EXPECT_EQ(entry.fileName(), "café.pdf");
}

// (How an entry is written, key by key, is held by the golden history file.)
TEST(HistoryEntryJson, readsBackWhatItWritesWithSweepIdAbsentOrNullAndUnknownKeysIgnored) {
    const HistoryEntry entry = historyEntryFromJson(validEntry());
    EXPECT_EQ(entry.id.text(), "5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E");
    EXPECT_EQ(formatRfc3339(entry.date), "2026-03-01T09:15:00Z");
    EXPECT_EQ(entry.kind, HistoryEntry::Kind::quarantined);
    EXPECT_EQ(entry.size, 12);
    EXPECT_EQ(entry.ruleName, "Screenshots");
    ASSERT_TRUE(entry.sweepID);
    EXPECT_EQ(historyEntryFromJson(Json::parse(toJson(entry).dump())), entry);

    Json absent = validEntry();
    absent.erase("sweepID");
    EXPECT_FALSE(historyEntryFromJson(absent).sweepID);
    Json null = validEntry();
    null["sweepID"] = nullptr;
    EXPECT_FALSE(historyEntryFromJson(null).sweepID);
    Json extra = validEntry();
    extra["comment"] = "written by a later version";
    EXPECT_EQ(historyEntryFromJson(extra), entry);
}

struct BadEntry {
    const char* name;
    std::function<void(Json&)> spoil;
};

const std::vector<BadEntry>& badEntries() {
    static const std::vector<BadEntry> rows = {
        {"no id", [](Json& e) { e.erase("id"); }},
        {"no date", [](Json& e) { e.erase("date"); }},
        {"no kind", [](Json& e) { e.erase("kind"); }},
        {"no originalPath", [](Json& e) { e.erase("originalPath"); }},
        {"no quarantinePath", [](Json& e) { e.erase("quarantinePath"); }},
        {"no size", [](Json& e) { e.erase("size"); }},
        {"no ruleName", [](Json& e) { e.erase("ruleName"); }},
        {"id is a number", [](Json& e) { e["id"] = 7; }},
        {"id is not a UUID", [](Json& e) { e["id"] = "not-a-uuid"; }},
        {"id is a UUID without dashes",
         [](Json& e) { e["id"] = "5B1D7E0A3C2F4A8B9D6E1F2A3B4C5D6E"; }},
        {"date is a number", [](Json& e) { e["date"] = 1772356500; }},
        {"date has fractional seconds", [](Json& e) { e["date"] = "2026-03-01T09:15:00.500Z"; }},
        {"date has an offset", [](Json& e) { e["date"] = "2026-03-01T09:15:00+00:00"; }},
        {"date has no zone", [](Json& e) { e["date"] = "2026-03-01T09:15:00"; }},
        {"date is not a day", [](Json& e) { e["date"] = "2026-02-30T09:15:00Z"; }},
        {"date past what a Date holds", [](Json& e) { e["date"] = "4052-03-01T09:15:00Z"; }},
        {"date before what a Date holds", [](Json& e) { e["date"] = "1677-12-31T23:59:59Z"; }},
        {"kind is unknown", [](Json& e) { e["kind"] = "purged"; }},
        {"kind in another case", [](Json& e) { e["kind"] = "Restored"; }},
        {"kind is a number", [](Json& e) { e["kind"] = 0; }},
        {"originalPath is null", [](Json& e) { e["originalPath"] = nullptr; }},
        {"quarantinePath is a number", [](Json& e) { e["quarantinePath"] = 5; }},
        {"size is text", [](Json& e) { e["size"] = "12"; }},
        {"size has a fraction", [](Json& e) { e["size"] = 1.5; }},
        {"size is beyond 64 bits", [](Json& e) { e["size"] = 9223372036854775808ull; }},
        {"size is a boolean", [](Json& e) { e["size"] = true; }},
        {"ruleName is a boolean", [](Json& e) { e["ruleName"] = false; }},
        {"ruleName is an array", [](Json& e) { e["ruleName"] = Json::array(); }},
        {"sweepID is not a UUID", [](Json& e) { e["sweepID"] = "x"; }},
        {"sweepID is a number", [](Json& e) { e["sweepID"] = 3; }},
        {"entry is an array",
         [](Json& e) {
             e = Json::array({1, 2});
         }},
        {"entry is text", [](Json& e) { e = "entry"; }},
    };
    return rows;
}

TEST(HistoryEntryDecoding, everyWrongKeyOrTypeIsADecodingError) {
    for (const auto& row : badEntries()) {
        SCOPED_TRACE(row.name);
        Json entry = validEntry();
        row.spoil(entry);
        EXPECT_THROW(historyEntryFromJson(entry), DecodingError);
    }
}

// One spoiled entry must not cost the origins of all the others.
TEST(HistoryFileDecoding, oneBadEntryIsLeftOutAndCountedAndTheOthersAreRead) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    Json second = validEntry();
    second["id"] = "5B1D7E0A-3C2F-4A8B-9D6E-000000000002";
    second["quarantinePath"] = "/home/ann/.local/share/Dustlyn/Quarantine/b.png";
    const std::vector<HistoryEntry> good = {historyEntryFromJson(validEntry()),
                                            historyEntryFromJson(second)};
    for (const auto& row : badEntries()) {
        SCOPED_TRACE(row.name);
        Json bad = validEntry();
        row.spoil(bad);
        const std::string bytes = Json::array({validEntry(), bad, second}).dump();
        testing::writeFile(store.url(), bytes);
        EXPECT_THROW(HistoryStore::decode(bytes), DecodingError) << "the strict reader refuses";
        const HistoryReadout readout = store.read();
        EXPECT_EQ(readout.entries, good);
        EXPECT_EQ(readout.skipped, 1u);
        EXPECT_TRUE(readout.damaged);
        EXPECT_FALSE(readout.cutShort);
        EXPECT_EQ(store.load(), good);
        EXPECT_EQ(testing::readFile(store.url()), bytes) << "loading must not write";
    }
}

TEST(HistoryFileDecoding, aFileThatBreaksOffKeepsTheEntriesBeforeTheBreak) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    const std::string valid = validEntry().dump();
    const auto one = std::vector<HistoryEntry>{historyEntryFromJson(validEntry())};
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"cut in the second entry", "[" + valid + "," + valid.substr(0, valid.size() / 2)},
        {"trailing bytes", "[" + valid + "]x"},
        {"a bad character after the first entry", "[" + valid + ",\xff]"},
    };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        testing::writeFile(store.url(), bytes);
        const HistoryReadout readout = store.read();
        EXPECT_EQ(readout.entries, one);
        EXPECT_TRUE(readout.cutShort);
        EXPECT_TRUE(readout.damaged);
        EXPECT_FALSE(readout.reason.empty());
    }
}

TEST(HistoryFileDecoding, anythingButAnArrayOfEntriesReadsAsEmptyAndDamaged) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    const std::string valid = validEntry().dump();
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"an object", valid},
        {"not JSON", "history"},
        {"empty file", ""},
        {"cut short", "[" + valid.substr(0, valid.size() / 2)},
        {"null", "null"},
        {"array of numbers", "[1,2]"},
        {"invalid UTF-8 in a path",
         "[" + std::string(valid).replace(valid.find("a.png"), 1, "\xff") + "]"},
    };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        testing::writeFile(store.url(), bytes);
        EXPECT_THROW(HistoryStore::decode(bytes), DecodingError);
        EXPECT_TRUE(store.load().empty());
        EXPECT_TRUE(store.read().damaged);
    }
    EXPECT_THROW(HistoryStore::decode("[][]"), DecodingError);
    testing::writeFile(store.url(), "[" + valid + "]");
    EXPECT_EQ(store.load().size(), 1u) << "the valid form of the same entry reads";
    EXPECT_FALSE(store.read().damaged);
    testing::writeFile(store.url(), " [ ] ");
    EXPECT_TRUE(store.load().empty());
    EXPECT_FALSE(store.read().damaged);
}

TEST(HistoryFileDecoding, readsEachElementExactlyAsTheEntryReaderDoes) {
    const std::string id = "\"id\":\"5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E\"";
    const std::string rest = "\"date\":\"2026-03-01T09:15:00Z\",\"kind\":\"deleted\","
                             "\"originalPath\":\"\\/a\\/b\",\"quarantinePath\":\"\\u0071\","
                             "\"size\":-3,\"ruleName\":\"\"";
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"plain", "{" + id + "," + rest + "}"},
        {"sweepID null", "{" + id + "," + rest + ",\"sweepID\":null}"},
        {"a repeated key counts with its last value",
         "{\"id\":5," + id + "," + rest + ",\"kind\":\"bogus\",\"kind\":\"restored\"}"},
        {"a repeated key whose last value is wrong", "{" + id + "," + rest + ",\"size\":\"1\"}"},
        {"a key holding an array, then a valid value", "{\"size\":[1]," + id + "," + rest + "}"},
        {"unknown keys holding anything",
         "{\"x\":{\"id\":[{\"size\":\"no\"}],\"y\":null}," + id + ",\"z\":[[],{}]," + rest + "}"},
        {"a sweepID repeated as null", "{" + id + "," + rest +
                                           ",\"sweepID\":\"0D9C8B7A-6F5E-4D3C-8B2A-190817263544\","
                                           "\"sweepID\":null}"},
        {"a sweepID after null", "{" + id + "," + rest +
                                     ",\"sweepID\":null,"
                                     "\"sweepID\":\"0D9C8B7A-6F5E-4D3C-8B2A-190817263544\"}"},
        {"a sweepID holding an object", "{" + id + "," + rest + ",\"sweepID\":{}}"},
        {"size as a whole float", "{" + id + "," + rest + ",\"size\":12.0}"},
        {"size at the 64-bit limit", "{" + id + "," + rest + ",\"size\":9223372036854775807}"},
        {"size below the 64-bit limit", "{" + id + "," + rest + ",\"size\":-9223372036854775808}"},
    };
    for (const auto& [name, element] : rows) {
        SCOPED_TRACE(name);
        const std::string file = "[" + element + "," + element + "]";
        std::optional<HistoryEntry> expected;
        try {
            expected = historyEntryFromJson(Json::parse(element));
        } catch (const DecodingError&) {
        }
        if (expected) {
            EXPECT_EQ(HistoryStore::decode(file),
                      (std::vector<HistoryEntry>{*expected, *expected}));
        } else {
            EXPECT_THROW(HistoryStore::decode(file), DecodingError);
        }
    }
}

TEST(HistoryFileDecoding, theQuickRoadReadsWhatTheStoreWritesAndDeclinesTheRest) {
    const std::string element = validEntry().dump();
    const std::string file = HistoryStore::encode({historyEntryFromJson(validEntry())});
    EXPECT_EQ(HistoryQuickReader::read(file), HistoryDecoder::decodeWithReader(file));
    EXPECT_TRUE(HistoryQuickReader::read(" [\n\t" + element + " ,\r" + element + " ]\n"));
    const std::vector<std::pair<const char*, std::string>> declined = {
        {"a \\u escape",
         "[" + std::string(element).replace(element.find("a.png"), 1, "\\u0061") + "]"},
        {"a repeated key", "[{\"id\":\"x\"," + element.substr(1) + "]"},
        {"a nested unknown value", "[{\"x\":[]," + element.substr(1) + "]"},
        {"a fractional size",
         "[" + std::string(element).replace(element.find(":12"), 3, ":12.0") + "]"},
        {"a byte-order mark", "\xef\xbb\xbf[" + element + "]"},
        {"nothing", ""},
    };
    for (const auto& [name, bytes] : declined) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(HistoryQuickReader::read(bytes));
    }
    // Declined is not rejected: the full reader still reads the escaped form.
    EXPECT_EQ(HistoryStore::decode(declined[0].second).size(), 1u);
}

TEST(HistoryFileDecoding, theQuickRoadReadsIdentifiersByTheSameRulesAsUuid) {
    for (const char* text :
         {"5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E", "5b1d7e0a-3c2f-4a8b-9d6e-1f2a3b4c5d6e",
          "5b1D7e0A-3C2f-4a8B-9d6E-1F2a3B4c5D6e", "00000000-0000-0000-0000-000000000000",
          "5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6", "5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E0",
          "5B1D7E0A3-C2F-4A8B-9D6E-1F2A3B4C5D6E", "5B1D7E0A-3C2F-4A8B-9D6E+1F2A3B4C5D6E",
          "5B1D7E0G-3C2F-4A8B-9D6E-1F2A3B4C5D6E", "5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6 ",
          "{5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D}", ""}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(HistoryQuickReader::uuid(text), Uuid::parse(text));
    }
}

TEST(HistoryFileEncoding, bytesAreTheCompactJsonOfEachEntry) {
    HistoryEntry entry = historyEntryFromJson(validEntry());
    std::vector<HistoryEntry> entries;
    for (const char* text : {"plain", "a/b\\c\"d\"", "tab\tnew\nline\rcr\bbs\fff",
                             "\x01\x1f\x7f control", "Übersicht – café 📷", ""}) {
        entry.originalPath = text;
        entry.quarantinePath = std::string("/q/") + text;
        entry.ruleName = text;
        entry.size = entries.size() % 2 ? -42 : 1234567890123;
        entry.sweepID = entries.size() % 2 ? std::nullopt : std::optional<Uuid>(Uuid::random());
        entries.push_back(entry);
    }
    for (const Date when :
         {dateFromUnix(0), dateFromUnix(-1, 500'000'000), *storedDate("1678-01-01T00:00:00Z"),
          *storedDate("2261-12-31T23:59:59Z")}) {
        entry.date = when;
        entries.push_back(entry);
    }
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& e : entries)
        array.push_back(toJson(e));
    const std::string bytes = HistoryStore::encode(entries);
    EXPECT_EQ(bytes, writeCompactJson(array));
    for (auto& e : entries)
        e.date = wholeSeconds(e.date); // read back in whole seconds
    const std::string readable = HistoryStore::encode(entries);
    EXPECT_EQ(readable, bytes);
    EXPECT_EQ(HistoryStore::decode(readable), entries);
    EXPECT_EQ(HistoryDecoder::decodeWithReader(readable), entries);
    EXPECT_EQ(HistoryStore::encode({}), "[]");
}

} // namespace
} // namespace dustlyn

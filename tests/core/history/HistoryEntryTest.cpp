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

// (How an entry is written, key by key, is held by the golden history file.)
TEST(HistoryEntryJson, sweepIdMayBeAbsentOrNullAndUnknownKeysAreIgnored) {
    const HistoryEntry entry = historyEntryFromJson(validEntry());
    ASSERT_TRUE(entry.sweepID);
    for (const auto& spoil : std::vector<std::function<void(Json&)>>{
             [](Json& e) { e.erase("sweepID"); }, [](Json& e) { e["sweepID"] = nullptr; }}) {
        Json value = validEntry();
        spoil(value);
        value["comment"] = "written by a later version";
        HistoryEntry expected = entry;
        expected.sweepID.reset();
        EXPECT_EQ(historyEntryFromJson(value), expected);
    }
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
        {"no size", [](Json& e) { e.erase("size"); }},
        {"id is a UUID without dashes",
         [](Json& e) { e["id"] = "5B1D7E0A3C2F4A8B9D6E1F2A3B4C5D6E"; }},
        {"date has fractional seconds", [](Json& e) { e["date"] = "2026-03-01T09:15:00.500Z"; }},
        {"date is not a day", [](Json& e) { e["date"] = "2026-02-30T09:15:00Z"; }},
        {"date past what a Date holds", [](Json& e) { e["date"] = "4052-03-01T09:15:00Z"; }},
        {"kind in another case", [](Json& e) { e["kind"] = "Restored"; }},
        {"originalPath is null", [](Json& e) { e["originalPath"] = nullptr; }},
        {"size has a fraction", [](Json& e) { e["size"] = 1.5; }},
        {"size is beyond 64 bits", [](Json& e) { e["size"] = 9223372036854775808ull; }},
        {"sweepID is not a UUID", [](Json& e) { e["sweepID"] = "x"; }},
        {"entry is text", [](Json& e) { e = "entry"; }},
    };
    return rows;
}

// One spoiled entry must not cost the origins of all the others; the strict readers refuse it.
TEST(HistoryFileDecoding, oneBadEntryIsLeftOutAndCountedAndTheOthersAreRead) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
    Json second = validEntry();
    second["id"] = "5B1D7E0A-3C2F-4A8B-9D6E-000000000002";
    const std::vector<HistoryEntry> good = {historyEntryFromJson(validEntry()),
                                            historyEntryFromJson(second)};
    for (const auto& row : badEntries()) {
        SCOPED_TRACE(row.name);
        Json bad = validEntry();
        row.spoil(bad);
        EXPECT_THROW(historyEntryFromJson(bad), DecodingError);
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

TEST(HistoryFileDecoding, aFileThatBreaksOffKeepsWhatCameBeforeAndAnythingElseReadsAsEmpty) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5000);
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

TEST(HistoryFileDecoding, readsEachElementExactlyAsTheEntryReaderDoes) {
    const std::string id = "\"id\":\"5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E\"";
    const std::string rest = "\"date\":\"2026-03-01T09:15:00Z\",\"kind\":\"deleted\","
                             "\"originalPath\":\"\\/a\\/b\",\"quarantinePath\":\"\\u0071\","
                             "\"size\":-3,\"ruleName\":\"\"";
    const std::string sweep = "\"sweepID\":\"0D9C8B7A-6F5E-4D3C-8B2A-190817263544\"";
    for (const std::string& element :
         {"{" + id + "," + rest + "}",
          "{\"id\":5," + id + "," + rest + ",\"kind\":\"bogus\",\"kind\":\"restored\"}",
          "{" + id + "," + rest + ",\"size\":\"1\"}",
          "{\"x\":{\"id\":[{\"size\":\"no\"}],\"y\":null}," + id + ",\"z\":[[],{}]," + rest + "}",
          "{" + id + "," + rest + "," + sweep + ",\"sweepID\":null}",
          "{" + id + "," + rest + ",\"sweepID\":null," + sweep + "}",
          "{" + id + "," + rest + ",\"sweepID\":{}}", "{" + id + "," + rest + ",\"size\":12.0}",
          "{" + id + "," + rest + ",\"size\":-9223372036854775808}"}) {
        SCOPED_TRACE(element);
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
    EXPECT_TRUE(HistoryQuickReader::read(" [\n\t" + element + " ,\r" + element + " ]\n"));
    const std::vector<std::string> declined = {
        "[" + std::string(element).replace(element.find("a.png"), 1, "\\u0061") + "]",
        "[{\"id\":\"x\"," + element.substr(1) + "]", "[{\"x\":[]," + element.substr(1) + "]",
        "[" + std::string(element).replace(element.find(":12"), 3, ":12.0") + "]",
        "\xef\xbb\xbf[" + element + "]"};
    for (const auto& bytes : declined) {
        SCOPED_TRACE(bytes);
        EXPECT_FALSE(HistoryQuickReader::read(bytes));
    }
    // Declined is not rejected: the full reader still reads the escaped form.
    EXPECT_EQ(HistoryStore::decode(declined[0]).size(), 1u);
    for (const char* text :
         {"5b1D7e0A-3C2f-4a8B-9d6E-1F2a3B4c5D6F", "5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6",
          "5B1D7E0A3-C2F-4A8B-9D6E-1F2A3B4C5D6E", "5B1D7E0G-3C2F-4A8B-9D6E-1F2A3B4C5D6E",
          "{5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D}"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(HistoryQuickReader::uuid(text), Uuid::parse(text));
    }
}

TEST(HistoryFileEncoding, bytesAreTheCompactJsonOfEachEntry) {
    HistoryEntry entry = historyEntryFromJson(validEntry());
    std::vector<HistoryEntry> entries;
    for (const char* text : {"a/b\\c\"d\"", "tab\tnew\nline\rcr\bbs\fff", "\x01\x1f\x7f control",
                             "Übersicht – café 📷", ""}) {
        entry.originalPath = entry.quarantinePath = entry.ruleName = text;
        entry.size = entries.size() % 2 ? -42 : 1234567890123;
        entry.sweepID = entries.size() % 2 ? std::nullopt : std::optional<Uuid>(Uuid::random());
        entries.push_back(entry);
    }
    for (const Date when : {dateFromUnix(-1), *storedDate("1678-01-01T00:00:00Z"),
                            *storedDate("2261-12-31T23:59:59Z")}) {
        entry.date = when;
        entries.push_back(entry);
    }
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& e : entries)
        array.push_back(toJson(e));
    const std::string bytes = HistoryStore::encode(entries);
    EXPECT_EQ(bytes, writeCompactJson(array));
    EXPECT_EQ(HistoryStore::decode(bytes), entries);
    EXPECT_EQ(HistoryDecoder::decodeWithReader(bytes), entries);
    const std::string plain = HistoryStore::encode({historyEntryFromJson(validEntry())});
    EXPECT_EQ(HistoryQuickReader::read(plain), HistoryDecoder::decodeWithReader(plain));
}

} // namespace
} // namespace dustlyn

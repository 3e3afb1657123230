// The writers the listings are printed with, and the download hosts looked up beside a scan.
#include "cli/PrettyJson.h"
#include "cli/SourceHosts.h"
#include "cli/TextTable.h"
#include "core/scan/Scanner.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;
using testing::setAttribute;
using testing::writeFile;
using namespace std::string_literals;
using Host = std::optional<std::string>;
using Row = std::vector<std::string_view>;

// Writes `value` through PrettyJson the way the listings do, member by member.
void write(PrettyJson& json, const ordered_json& value) {
    if (value.is_structured()) {
        value.is_object() ? json.beginObject() : json.beginArray();
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (value.is_object())
                json.key(it.key());
            write(json, it.value());
        }
        value.is_object() ? json.endObject() : json.endArray();
    } else if (value.is_string()) {
        json.value(value.get<std::string>());
    } else if (value.is_boolean()) {
        json.value(value.get<bool>());
    } else {
        json.value(value.get<std::int64_t>());
    }
}

// The command's JSON was the library's dump with two spaces; written as it goes, it must stay
// byte for byte the same.
TEST(PrettyJson, WritesTheSameBytesAsTheLibrarysIndentedDump) {
    const ordered_json values[] = {
        ordered_json::object(),
        ordered_json::array(),
        {{"results", ordered_json::array()}, {"matchedCount", 0}, {"totalSize", 0}},
        {{"a", {{"b", ordered_json::array({1, -2, ordered_json::object()})}}}, {"c", true}},
        ordered_json::array({ordered_json::array(), ordered_json::array({false}), "x"}),
        {{"url", "/home/ü/Büro/📸 \"quoted\" back\\slash"}},
        {{"control", "tab\t new\n cr\r bs\b ff\f bell\x07 nul\0 del\x7f"s}},
        {{"key with \"quotes\"", "/slashes/stay/"}},
    };
    for (const auto& value : values) {
        SCOPED_TRACE(value.dump());
        std::string out;
        PrettyJson json(out);
        write(json, value);
        EXPECT_EQ(out, value.dump(2));
    }
}

// (That bytes which are not UTF-8 are replaced, the listings' own tests tell.)
TEST(PrettyJson, AnEmbeddedValueIsIndentedWhereItStands) {
    const ordered_json rule = {
        {"name", "Screenshots"}, {"matchers", {{{"glob", "*.png"}}}}, {"ageThreshold", 900.0}};
    std::string out;
    PrettyJson json(out);
    json.beginArray();
    json.beginObject();
    json.key("rule");
    json.embed(rule);
    json.key("folder");
    json.value("~/Desktop");
    json.endObject();
    json.endArray();
    EXPECT_EQ(out, ordered_json::array({{{"rule", rule}, {"folder", "~/Desktop"}}}).dump(2));
}

// The table takes its rows as lists written out in the code: of two or three cells here.
template <typename Use> void withCells(const Row& row, Use use) {
    if (row.size() == 2)
        use({row[0], row[1]});
    else
        use({row[0], row[1], row[2]});
}

TEST(TextTable, MeasuresEveryRowThenWritesThemAligned) {
    const struct {
        const char* name;
        std::vector<bool> rightAligned;
        std::vector<Row> rows;
        std::string expected;
    } tables[] = {
        {"nothing", {}, {}, ""},
        {"multi-byte cells take one column per character",
         {},
         {{"ä€😀", "x"}, {"a", "y"}, {"日本", "z"}},
         "ä€😀  x\na    y\n日本   z\n"},
        {"a right-aligned last column is padded on the left",
         {false, true},
         {{"a", "1"}, {"bb", "1000"}, {"ü", "1 kB"}},
         "a      1\nbb  1000\nü   1 kB\n"},
        {"empty cells at the end leave no padding behind",
         {},
         {{"name", "x", "long"}, {"n", "", ""}, {"", "", ""}},
         "name  x  long\nn\n\n"},
        {"an empty cell in the middle keeps its column",
         {},
         {{"a", "", "c"}, {"aa", "bbb", "c"}},
         "a        c\naa  bbb  c\n"},
    };
    for (const auto& table : tables) {
        SCOPED_TRACE(table.name);
        TextTable text(table.rightAligned);
        for (const auto& row : table.rows)
            withCells(row,
                      [&](std::initializer_list<std::string_view> cells) { text.measure(cells); });
        std::string out;
        for (const auto& row : table.rows)
            withCells(row, [&](std::initializer_list<std::string_view> cells) {
                text.write(cells, out);
            });
        EXPECT_EQ(out, table.expected);
    }
}

TEST(TextTable, RowsOfMoreThanSixteenColumns) {
    TextTable text(std::vector<bool>{});
    text.measure({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15",
                  "16", "17"});
    std::string out;
    text.write(
        {"x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x"}, out);
    EXPECT_EQ(out, "x  x  x  x  x  x  x  x  x  x   x   x   x   x   x   x   x\n");
}

// The hosts looked up beside the walk are the ones each claimed file's own attributes name:
// over several hand-overs to the lookup thread, for a rule's files and a timer's alike; a
// symbolic link is never followed. (How a host is read from the attributes, the file
// insights' tests tell.)
TEST(SourceHosts, areTheHostsOfEveryClaimedFile) {
    testing::TempDir home("dustlyn-hosts");
    std::map<std::string, Host> expected;
    std::string refusal;
    writeFile(home / "probe");
    if (!setAttribute(home / "probe", "user.comment", "x", refusal))
        GTEST_SKIP() << "the file system refuses user extended attributes: " << refusal;
    const auto tag = [&](const fs::path& file, const char* name, const std::string& value) {
        EXPECT_TRUE(setAttribute(file, name, value, refusal)) << refusal;
    };
    for (int i = 0; i < 700; ++i) {
        const fs::path file = home / "Desktop" / ("file-" + std::to_string(i) + ".zip");
        writeFile(file);
        testing::setModificationDate(file, dateFromUnix(1'700'000'000));
        Host& host = expected[file.native()];
        if (i % 5 == 0) {
            host = "site" + std::to_string(i % 3) + ".example";
            tag(file, "user.xdg.origin.url", "https://" + *host + "/a");
        }
    }
    const fs::path timed = home / "Elsewhere" / "timed.iso";
    writeFile(timed);
    tag(timed, "user.xdg.origin.url", "https://mirror.example/x");
    expected[timed.native()] = "mirror.example";
    fs::create_symlink(timed, home / "Desktop" / "link.zip");
    expected[(home / "Desktop" / "link.zip").native()] = std::nullopt;
    const PurgeRule rule{Uuid::random(),
                         "Old downloads",
                         true,
                         {"~/Desktop"},
                         {FileMatcher::glob("*.zip")},
                         60,
                         AgeBasis::modification};

    SourceHosts hosts;
    const Date now = dateFromUnix(1'800'000'000);
    const ScanClaims claims = Scanner(home.path()).claim({rule}, {}, {{timed, now}}, now, &hosts);
    hosts.found((home / "Desktop" / "link.zip").native());
    hosts.finish();
    std::map<std::string, Host> found;
    for (const auto& claim : claims.claims())
        found[std::string(claim.path)] =
            hosts.of(claim.path) ? Host(*hosts.of(claim.path)) : Host();
    found[(home / "Desktop" / "link.zip").native()] =
        hosts.of((home / "Desktop" / "link.zip").native()) ? Host("followed") : Host();
    EXPECT_EQ(found, expected);
}

} // namespace
} // namespace dustlyn

#include "cli/PrettyJson.h"
#include "cli/TextTable.h"

#include <gtest/gtest.h>

#include <functional>

namespace dustlyn {
namespace {

using nlohmann::ordered_json;
using namespace std::string_literals;

// Writes `value` through PrettyJson the way the listings do, member by member.
void write(PrettyJson& json, const ordered_json& value) {
    if (value.is_object()) {
        json.beginObject();
        for (auto it = value.begin(); it != value.end(); ++it) {
            json.key(it.key());
            write(json, it.value());
        }
        json.endObject();
    } else if (value.is_array()) {
        json.beginArray();
        for (const auto& element : value)
            write(json, element);
        json.endArray();
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

TEST(PrettyJson, TextThatIsNotUtf8HasItsBadBytesReplaced) {
    std::string out;
    PrettyJson::appendString(out, "caf\xe9.txt");
    EXPECT_EQ(out, "\"caf\xef\xbf\xbd.txt\"");
}

TEST(TextTable, PadsToTheWidestCellInCodePointsAndNeverTheLastColumn) {
    TextTable table({false, true, false});
    const std::vector<std::vector<std::string>> rows = {
        {"in 4:07", "12 kB", "/a"}, {"due now", "1.5 MB", "/büro/long name"}, {"é", "9", "/c"}};
    for (const auto& row : rows)
        table.measure({row[0], row[1], row[2]});
    std::string out;
    for (const auto& row : rows)
        table.write({row[0], row[1], row[2]}, out);
    EXPECT_EQ(out, "in 4:07   12 kB  /a\n"
                   "due now  1.5 MB  /büro/long name\n"
                   "é             9  /c\n");
}

} // namespace
} // namespace dustlyn

#include "cli/PrettyJson.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using nlohmann::ordered_json;
using namespace std::string_literals;

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

TEST(PrettyJson, AnEmbeddedValueIsIndentedWhereItStandsAndBadBytesAreReplaced) {
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
    out.clear();
    PrettyJson::appendString(out, "caf\xe9.txt");
    EXPECT_EQ(out, "\"caf\xef\xbf\xbd.txt\"");
}

} // namespace
} // namespace dustlyn

#include "core/base/DecodingError.h"
#include "core/rules/AgeBasis.h"
#include "core/rules/FileMatcher.h"
#include "core/rules/PurgeRule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dustlyn {
namespace {

using Json = nlohmann::json;

std::string decodingFailure(const Json& value) {
    try {
        fileMatcherFromJson(value);
    } catch (const DecodingError& error) {
        return error.what();
    }
    ADD_FAILURE() << "decoded " << value.dump();
    return {};
}

// An extension entry wins over a glob entry; an unrelated extra entry is ignored. (How each
// case is written is held by the configuration's golden file.)
TEST(MatcherDecoding, readsEachCase) {
    EXPECT_EQ(fileMatcherFromJson("anyFile"), FileMatcher::anyFile());
    EXPECT_EQ(fileMatcherFromJson(Json{{"extensionMatch", "dmg"}}),
              FileMatcher::extensionMatch("dmg"));
    EXPECT_EQ(fileMatcherFromJson(Json{{"glob", "Screenshot*.png"}}),
              FileMatcher::glob("Screenshot*.png"));
    EXPECT_EQ(fileMatcherFromJson(Json::parse(R"({"glob": "x", "extensionMatch": "y"})")),
              FileMatcher::extensionMatch("y"));
    EXPECT_EQ(fileMatcherFromJson(Json::parse(R"({"glob": "x", "note": "y"})")),
              FileMatcher::glob("x"));
}

TEST(MatcherDecoding, unknownCasesFailWithTheirDescription) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {R"("anyfile")", "Unknown matcher case: anyfile"},
        {"{}", "Unknown matcher: [:]"},
        {R"({"Glob": "x"})", R"(Unknown matcher: ["Glob": "x"])"},
    };
    for (const auto& [json, message] : rows) {
        SCOPED_TRACE(json);
        EXPECT_EQ(decodingFailure(Json::parse(json)), message);
    }
    for (const char* json :
         {"5", "null", R"(["anyFile"])", R"({"glob": 5})", R"({"glob": "x", "note": 1})"}) {
        SCOPED_TRACE(json);
        EXPECT_THROW(fileMatcherFromJson(Json::parse(json)), DecodingError);
    }
}

Json validRule() {
    return Json::parse(R"({
        "id": "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F",
        "name": "Screenshots",
        "enabled": true,
        "folders": ["~/Desktop", "~/Pictures/Screenshots"],
        "matchers": [{"glob": "Screenshot*.png"}, {"extensionMatch": "png"}, "anyFile"],
        "ageThreshold": 900,
        "ageBasis": "creation"
    })");
}

TEST(RuleDecoding, readsEveryFieldWithIdsInEitherCaseAndExtraKeysIgnored) {
    Json value = validRule();
    value["id"] = "6f1c0b1e-2d3a-4b5c-8d9e-0a1b2c3d4e5f";
    value["comment"] = "ignored";
    const PurgeRule expected{*Uuid::parse("6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F"),
                             "Screenshots",
                             true,
                             {"~/Desktop", "~/Pictures/Screenshots"},
                             {FileMatcher::glob("Screenshot*.png"),
                              FileMatcher::extensionMatch("png"), FileMatcher::anyFile()},
                             900,
                             AgeBasis::creation};
    EXPECT_EQ(purgeRuleFromJson(value), expected);
    for (const char* key :
         {"id", "name", "enabled", "folders", "matchers", "ageThreshold", "ageBasis"}) {
        SCOPED_TRACE(key);
        value = validRule();
        value.erase(key);
        EXPECT_THROW(purgeRuleFromJson(value), DecodingError);
    }
}

TEST(RuleDecoding, wrongValuesFailTheRule) {
    struct Row {
        const char* behaviour;
        const char* key;
        Json value;
    };
    const std::vector<Row> rows = {
        {"id in braces", "id", "{6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F}"},
        {"id without dashes", "id", "6F1C0B1E2D3A4B5C8D9E0A1B2C3D4E5F"},
        {"enabled as text", "enabled", "true"},
        {"folders as one string", "folders", "~/Desktop"},
        {"a folder that is not text", "folders", Json::array({"~/Desktop", 5})},
        {"an unknown matcher case", "matchers", Json::array({"anyfile"})},
        {"age as text", "ageThreshold", "900"},
        {"basis with a capital", "ageBasis", "Creation"},
        {"basis unknown", "ageBasis", "added"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        Json value = validRule();
        value[row.key] = row.value;
        EXPECT_THROW(purgeRuleFromJson(value), DecodingError);
    }
    EXPECT_THROW(purgeRuleFromJson(Json::parse("[]")), DecodingError);
    EXPECT_EQ(ageBasisFromText("modification"), AgeBasis::modification);
}

} // namespace
} // namespace dustlyn

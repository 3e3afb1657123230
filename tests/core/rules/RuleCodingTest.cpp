#include "core/base/DecodingError.h"
#include "core/base/JsonText.h"
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
    struct Row {
        const char* behaviour;
        const char* json;
        const char* message;
    };
    const std::vector<Row> rows = {
        {"the case name is case-sensitive", R"("anyfile")", "Unknown matcher case: anyfile"},
        {"an empty case name", R"("")", "Unknown matcher case: "},
        {"an object case name as a string", R"("glob")", "Unknown matcher case: glob"},
        {"an empty object", "{}", "Unknown matcher: [:]"},
        {"an object with an unknown key", R"({"regex": "a.*"})",
         R"(Unknown matcher: ["regex": "a.*"])"},
        {"a key that differs in case", R"({"Glob": "x"})", R"(Unknown matcher: ["Glob": "x"])"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        EXPECT_EQ(decodingFailure(Json::parse(row.json)), row.message);
    }
}

TEST(MatcherDecoding, aValueThatIsNeitherAStringNorAnObjectOfStringsFails) {
    for (const char* json : {"5", "true", "null", "[]", R"(["anyFile"])", R"({"glob": 5})",
                             R"({"extensionMatch": null})", R"({"glob": "x", "note": 1})"}) {
        SCOPED_TRACE(json);
        EXPECT_THROW(fileMatcherFromJson(Json::parse(json)), DecodingError);
    }
}

TEST(AgeBasisText, onlyTheExactRawValuesAreRead) {
    EXPECT_EQ(ageBasisFromText("modification"), AgeBasis::modification);
    EXPECT_EQ(ageBasisFromText("creation"), AgeBasis::creation);
    for (const char* text : {"Creation", "MODIFICATION", "", "creation ", "added"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ageBasisFromText(text));
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

TEST(RuleDecoding, readsEveryFieldWithIdsInEitherCaseFractionalAgesAndExtraKeys) {
    const PurgeRule rule = purgeRuleFromJson(validRule());
    EXPECT_EQ(rule.id.text(), "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F");
    EXPECT_EQ(rule.name, "Screenshots");
    EXPECT_TRUE(rule.enabled);
    EXPECT_EQ(rule.folders, (std::vector<std::string>{"~/Desktop", "~/Pictures/Screenshots"}));
    EXPECT_EQ(rule.matchers, (std::vector<FileMatcher>{FileMatcher::glob("Screenshot*.png"),
                                                       FileMatcher::extensionMatch("png"),
                                                       FileMatcher::anyFile()}));
    EXPECT_EQ(rule.ageThreshold, 900);
    EXPECT_EQ(rule.ageBasis, AgeBasis::creation);

    Json value = validRule();
    value["id"] = "6f1c0b1e-2d3a-4b5c-8d9e-0a1b2c3d4e5f";
    value["ageThreshold"] = 0.25;
    value["comment"] = "ignored";
    EXPECT_EQ(purgeRuleFromJson(value).id, rule.id);
    EXPECT_EQ(purgeRuleFromJson(value).ageThreshold, 0.25);
}

TEST(RuleDecoding, everyKeyIsRequired) {
    for (const char* key :
         {"id", "name", "enabled", "folders", "matchers", "ageThreshold", "ageBasis"}) {
        SCOPED_TRACE(key);
        Json value = validRule();
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
        {"id as a number", "id", 5},
        {"id that is not a UUID", "id", "not-a-uuid"},
        {"id in braces", "id", "{6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F}"},
        {"id without dashes", "id", "6F1C0B1E2D3A4B5C8D9E0A1B2C3D4E5F"},
        {"name as a number", "name", 5},
        {"enabled as text", "enabled", "true"},
        {"folders as one string", "folders", "~/Desktop"},
        {"a folder that is not text", "folders", Json::array({"~/Desktop", 5})},
        {"matchers as an object", "matchers", Json::object()},
        {"an unknown matcher case", "matchers", Json::array({"anyfile"})},
        {"an empty matcher object", "matchers", Json::array({Json::object()})},
        {"age as text", "ageThreshold", "900"},
        {"age as a boolean", "ageThreshold", true},
        {"basis with a capital", "ageBasis", "Creation"},
        {"basis unknown", "ageBasis", "added"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        Json value = validRule();
        value[row.key] = row.value;
        EXPECT_THROW(purgeRuleFromJson(value), DecodingError);
    }
}

TEST(RuleDecoding, aRuleMustBeAnObject) {
    for (const char* json : {"[]", "\"Screenshots\"", "null", "7"}) {
        SCOPED_TRACE(json);
        EXPECT_THROW(purgeRuleFromJson(Json::parse(json)), DecodingError);
    }
}

// Through the stored text, as the configuration file holds it.
TEST(RuleEncoding, encodingThenDecodingGivesAnEqualRule) {
    const std::vector<PurgeRule> rules = {
        PurgeRule::manual(),
        {Uuid::random(),
         "Screenshots",
         true,
         {"~/Desktop", "~/Pictures/Screenshots"},
         {FileMatcher::glob("Screenshot*.png"), FileMatcher::glob("Screenshot*.jpg")},
         900,
         AgeBasis::creation},
        {Uuid::random(),
         "Downloads - Stale",
         false,
         {"~/Downloads"},
         {FileMatcher::anyFile()},
         2592000,
         AgeBasis::modification},
        {Uuid::random(),
         "Caf\u00e9 \"notes\" \\ / \t",
         true,
         {"/mnt/data/Été", "~"},
         {FileMatcher::extensionMatch("ÉTÉ"), FileMatcher::extensionMatch(".png"),
          FileMatcher::glob("[a]+(b)?*"), FileMatcher::anyFile()},
         0.1,
         AgeBasis::modification},
        {Uuid::random(), "", true, {}, {}, -5, AgeBasis::creation},
        {Uuid::random(), "large", true, {"~/x"}, {}, 1e300, AgeBasis::modification},
        {Uuid::random(), "odd fraction", true, {"~/x"}, {}, 1.0 / 3.0, AgeBasis::modification},
    };
    for (const auto& rule : rules) {
        SCOPED_TRACE(rule.name);
        const std::string text = writePrettyJson(toJson(rule));
        EXPECT_EQ(purgeRuleFromJson(Json::parse(text)), rule) << text;
    }
}

} // namespace
} // namespace dustlyn

#include "core/base/DecodingError.h"
#include "core/rules/FileMatcher.h"
#include "core/rules/GlobMatch.h"
#include "core/rules/NameMatcher.h"
#include "core/rules/PurgeRule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dustlyn {
namespace {

using Json = nlohmann::json;

struct MatchCase {
    const char* behaviour;
    FileMatcher matcher;
    std::string name;
    bool accepted;
};

FileMatcher ext(const char* payload) {
    return FileMatcher::extensionMatch(payload);
}
FileMatcher glob(const char* pattern) {
    return FileMatcher::glob(pattern);
}

void expectTable(const std::vector<MatchCase>& table) {
    for (const auto& row : table) {
        SCOPED_TRACE(std::string(row.behaviour) + ": \"" + row.matcher.payload() + "\" against \"" +
                     row.name + "\"");
        EXPECT_EQ(row.matcher.matches(row.name), row.accepted);
        EXPECT_EQ(NameMatcher({row.matcher}).matches(row.name), row.accepted);
    }
}

TEST(FileMatchers, extensionsCompareTheSuffixAfterADotAndGlobsTheWholeNameFoldingCase) {
    expectTable({
        {"upper-case payload, mixed-case name", ext("PNG"), "SHOT.Png", true},
        {"a name that is the bare extension has no dot", ext("png"), "png", false},
        {"a hidden file named after the extension", ext("png"), ".png", true},
        {"a payload with its own dot needs two dots", ext(".png"), "shot.png", false},
        {"both of two extensions", ext("tar.gz"), "archive.tar.gz", true},
        {"a non-ASCII name folds through Unicode", ext("png"), "ÉTÉ.PNG", true},
        {"a non-ASCII payload folds through Unicode", ext("ÉTÉ"), "photo.été", true},
        {"an empty payload accepts a trailing dot", ext(""), "name.", true},
        // globs: wildcards, anchoring, case folded through Unicode
        {"a lone star accepts every name", glob("*"), "anything at all.txt", true},
        {"screenshot with date", glob("Screenshot*.png"), "Screenshot 2024-05-01 at 10.00.00.png",
         true},
        {"anchored at the start", glob("Screenshot*.png"), "My Screenshot.png", false},
        {"a question mark is one non-ASCII character", glob("IMG_?.jpg"), "IMG_é.jpg", true},
        {"a question mark is one character outside the BMP", glob("?.txt"), "😀.txt", true},
        {"the empty pattern accepts no name", glob(""), "a", false},
        {"plus and parentheses, case ignored", glob("a+b(1).txt"), "A+B(1).TXT", true},
        {"an accented pattern against an upper-case name", glob("Capture d’écran*.png"),
         "CAPTURE D’ÉCRAN 2024-05-01.PNG", true},
        {"an accented letter is not its plain letter", glob("café.txt"), "cafe.txt", false},
        // line breaks in names, alike whether the name is plain ASCII or not
        {"a star does not span a line break", glob("a*b"), "a\nb", false},
        {"nor in a non-ASCII name", glob("a*bé"), "a\nbé", false},
        {"a name may end in one line break", glob("a*"), "ab\n", true},
    });
}

// Each metacharacter stands for itself, in the plain-ASCII walk and in the regular
// expression taken for other names (a trailing "é" on both sides forces the latter).
TEST(GlobMatcher, everyRegularExpressionCharacterIsLiteral) {
    struct Row {
        const char* pattern;
        const char* literal;
        const char* notAccepted; // what the character would have meant in an expression
    };
    const std::vector<Row> rows = {
        {"a.c", "a.c", "abc"},  {"(ab)", "(ab)", "ab"}, {"[ab]", "[ab]", "a"},
        {"a{2}", "a{2}", "aa"}, {"a+", "a+", "aa"},     {"^a", "^a", "a"},
        {"a$", "a$", "a"},      {"a|b", "a|b", "b"},    {"a\\d", "a\\d", "a5"},
        {"\\", "\\", ""},       {"\\*", "\\xyz", "*"},  {"a\\.b", "a\\.b", "a.b"},
    };
    for (const char* suffix : {"", "é"}) {
        for (const auto& row : rows) {
            const std::string pattern = std::string(row.pattern) + suffix;
            SCOPED_TRACE("pattern \"" + pattern + "\"");
            EXPECT_TRUE(GlobMatch(pattern).matches(std::string(row.literal) + suffix));
            EXPECT_FALSE(GlobMatch(pattern).matches(std::string(row.notAccepted) + suffix));
        }
    }
}

// An unrelated extra entry is ignored. (How each case reads is held by the configuration's
// golden file.)
TEST(MatcherDecoding, anExtensionEntryWinsOverAGlobEntry) {
    EXPECT_EQ(fileMatcherFromJson(Json::parse(R"({"glob": "x", "extensionMatch": "y"})")),
              FileMatcher::extensionMatch("y"));
    EXPECT_EQ(fileMatcherFromJson(Json::parse(R"({"glob": "x", "note": "y"})")),
              FileMatcher::glob("x"));
}

// An unknown case is named in the failure; any other shape fails too.
TEST(MatcherDecoding, unknownCasesFailWithTheirDescription) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {R"("anyfile")", "Unknown matcher case: anyfile"},
        {"{}", "Unknown matcher: [:]"},
        {R"({"Glob": "x"})", R"(Unknown matcher: ["Glob": "x"])"},
        {"null", nullptr},
        {R"(["anyFile"])", nullptr},
        {R"({"glob": 5})", nullptr},
        {R"({"glob": "x", "note": 1})", nullptr},
    };
    for (const auto& [json, message] : rows) {
        SCOPED_TRACE(json);
        try {
            fileMatcherFromJson(Json::parse(json));
            ADD_FAILURE() << "decoded";
        } catch (const DecodingError& error) {
            if (message) {
                EXPECT_STREQ(error.what(), message);
            }
        }
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
    // (Every field as read is held by the configuration's golden file.)
    EXPECT_EQ(purgeRuleFromJson(value), purgeRuleFromJson(validRule()));
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
        {"an unknown matcher case", "matchers", Json::array({"anyfile"})},
        {"age as text", "ageThreshold", "900"},
        {"basis with a capital", "ageBasis", "Creation"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        Json value = validRule();
        value[row.key] = row.value;
        EXPECT_THROW(purgeRuleFromJson(value), DecodingError);
    }
    EXPECT_THROW(purgeRuleFromJson(Json::parse("[]")), DecodingError);
}

} // namespace
} // namespace dustlyn

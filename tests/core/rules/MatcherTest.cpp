#include "core/base/DecodingError.h"
#include "core/rules/AgeBasis.h"
#include "core/rules/FileMatcher.h"
#include "core/rules/GlobMatch.h"
#include "core/rules/NameMatcher.h"
#include "core/rules/PurgeRule.h"

#include <gtest/gtest.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>
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
        {"a two-part payload needs both parts", ext("tar.gz"), "archive.gz", false},
        {"a non-ASCII name folds through Unicode", ext("png"), "ÉTÉ.PNG", true},
        {"a non-ASCII payload folds through Unicode", ext("ÉTÉ"), "photo.été", true},
        {"the payload is not trimmed", ext(" png"), "shot.png", false},
        {"an empty payload accepts a trailing dot", ext(""), "name.", true},
        // globs: wildcards, anchoring, case folded through Unicode
        {"a lone star accepts every name", glob("*"), "anything at all.txt", true},
        {"star-dot rejects an extension", glob("*."), "name.txt", false},
        {"screenshot with date", glob("Screenshot*.png"), "Screenshot 2024-05-01 at 10.00.00.png",
         true},
        {"anchored at the start", glob("Screenshot*.png"), "My Screenshot.png", false},
        {"anchored at the end", glob("Screenshot*.png"), "Screenshot.png.zip", false},
        {"question marks, one each", glob("IMG_????.jpg"), "IMG_0042.jpg", true},
        {"a question mark is one non-ASCII character", glob("IMG_?.jpg"), "IMG_é.jpg", true},
        {"a question mark is one character outside the BMP", glob("?.txt"), "😀.txt", true},
        {"a question mark is not two characters", glob("?.txt"), "ab.txt", false},
        {"the empty pattern accepts no name", glob(""), "a", false},
        {"plus and parentheses, case ignored", glob("a+b(1).txt"), "A+B(1).TXT", true},
        {"an ASCII pattern against an accented name", glob("screenshot*.PNG"),
         "Screenshot café.png", true},
        {"an accented pattern against an upper-case name", glob("Capture d’écran*.png"),
         "CAPTURE D’ÉCRAN 2024-05-01.PNG", true},
        {"an accented letter is not its plain letter", glob("café.txt"), "cafe.txt", false},
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
        {"a.c", "a.c", "abc"},     {"(ab)", "(ab)", "ab"}, {"a)", "a)", "a"},
        {"[ab]", "[ab]", "a"},     {"a]", "a]", "a"},      {"a{2}", "a{2}", "aa"},
        {"a}", "a}", "a"},         {"a+", "a+", "aa"},     {"^a", "^a", "a"},
        {"a$", "a$", "a"},         {"a|b", "a|b", "b"},    {"a\\d", "a\\d", "a5"},
        {"\\", "\\", ""},          {"a\\", "a\\", "a"},    {"\\*", "\\xyz", "*"},
        {"a\\.b", "a\\.b", "a.b"},
    };
    for (const char* suffix : {"", "é"}) {
        for (const auto& row : rows) {
            const std::string pattern = std::string(row.pattern) + suffix;
            SCOPED_TRACE("pattern \"" + pattern + "\"");
            EXPECT_TRUE(GlobMatch::match(pattern, std::string(row.literal) + suffix));
            EXPECT_FALSE(GlobMatch::match(pattern, std::string(row.notAccepted) + suffix));
        }
    }
}

bool expressionFinds(const std::string& pattern, const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> expression(icu::RegexPattern::compile(
        icu::UnicodeString::fromUTF8(GlobMatch::regularExpression(pattern)),
        UREGEX_CASE_INSENSITIVE, parseError, status));
    EXPECT_TRUE(U_SUCCESS(status)) << pattern;
    if (U_FAILURE(status))
        return false;
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(name);
    std::unique_ptr<icu::RegexMatcher> matcher(expression->matcher(text, status));
    return matcher && matcher->find(status);
}

// Plain ASCII names skip the regular expression for speed; they must get its answers.
TEST(GlobMatcher, asciiNamesGetTheAnswersOfTheRegularExpression) {
    const std::vector<std::string> patterns = {"*", "?", "**", "?*?", "", "a*b", "*a*", "a?c", "*.",
                                               "a.c", "[a]", "a\\", "A*", "*b", "a*b*c", "*?", "a",
                                               // literal starts and ends that rule names out
                                               "ab*cd", "aB*?d", "abc", "a?c*x", "ab*ba", "a*\n",
                                               "a*b*"};
    const std::vector<std::string> names = {"",       "a",    "ab",    "abc", "a.c",    "A.C",
                                            "[a]",    "ba",   "a\\",   "aXb", ".",      "a*b",
                                            "aabbcc", "a\n",  "a\r\n", "\n",  "a\nb",   "ab\tc",
                                            "abXcd",  "ABCD", "abcd",  "aba", "ab\ncd", "abcx"};
    for (const auto& pattern : patterns)
        for (const auto& name : names) {
            SCOPED_TRACE("pattern \"" + pattern + "\", name \"" + name + "\"");
            EXPECT_EQ(GlobMatch::match(pattern, name), expressionFinds(pattern, name));
        }
}

TEST(MatcherLists, acceptWhenAnyMatcherAccepts) {
    const NameMatcher mixed({glob("Screenshot*.png"), ext("pdf"), ext("ÉTÉ")});
    for (const char* name : {"Screenshot 1.png", "report.PDF", "photo.été"})
        EXPECT_TRUE(mixed.matches(name)) << name;
    for (const char* name : {"Screenshot 1.jpg", "pdf"})
        EXPECT_FALSE(mixed.matches(name)) << name;
    EXPECT_TRUE(NameMatcher({ext("zip"), FileMatcher::anyFile()}).matches(".hidden"));
    EXPECT_FALSE(NameMatcher({}).matches("a.zip"));
}

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

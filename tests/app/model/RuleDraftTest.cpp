#include "app/model/RuleDraft.h"
#include "core/config/DefaultRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace dustlyn::testing {
namespace {

using Unit = RuleDraft::AgeUnit;
using Kind = MatcherDraft::Kind;

TEST(RuleDraft, showsTheAgeInTheLargestWholeUnit) {
    const std::vector<std::tuple<double, double, Unit>> cases = {
        {0, 0, Unit::seconds},    {30, 30, Unit::seconds},   {60, 1, Unit::minutes},
        {90, 1.5, Unit::minutes}, {5400, 90, Unit::minutes}, {7200, 2, Unit::hours},
        {86400, 1, Unit::days},   {129600, 36, Unit::hours}, {172800, 2, Unit::days}};
    for (const auto& [seconds, value, unit] : cases) {
        SCOPED_TRACE(seconds);
        EXPECT_EQ(RuleDraft::bestUnit(seconds), std::make_pair(value, unit));
    }
}

// Every built-in rule and an odd one go through the editor unchanged; each row gets its own
// identity and an "any file" row an empty value.
TEST(RuleDraft, anyRuleGoesThroughTheEditorUnchanged) {
    auto rules = DefaultRules::all(UserFolders::make("/home/u"));
    rules.push_back({Uuid::random(),
                     "x",
                     false,
                     {"~/a", "~/a"},
                     {FileMatcher::anyFile(), FileMatcher::glob("*.x")},
                     90,
                     AgeBasis::creation});
    for (const auto& rule : rules) {
        SCOPED_TRACE(rule.name);
        EXPECT_EQ(RuleDraft::from(rule).toRule(), rule);
    }
    const RuleDraft draft = RuleDraft::from(rules.back());
    EXPECT_NE(draft.folders[0].id, draft.folders[1].id);
    EXPECT_EQ(draft.matchers[0].value, "");
}

TEST(RuleDraft, aNewRuleWaitsForANameAndAnExtension) {
    RuleDraft draft = RuleDraft::newRule();
    EXPECT_EQ(draft.ageValue * RuleDraft::secondsPer(draft.ageUnit), 3600);
    EXPECT_EQ(draft.problem(), "it has no name");
    draft.name = "Logs";
    EXPECT_FALSE(draft.toRule());
    draft.matchers[0].value = "log";
    ASSERT_TRUE(draft.toRule());
    EXPECT_EQ(draft.toRule()->folders, std::vector<std::string>{"~/"});
}

// What was typed is tidied (texts trimmed, blank rows dropped) or refused with the reason.
TEST(RuleDraft, validatesAndTidiesWhatWasTyped) {
    const auto row = [](Kind kind, const char* value) {
        return MatcherDraft{Uuid::random(), kind, value};
    };
    const auto folder = [](const char* path) { return FolderDraft{Uuid::random(), path}; };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        std::function<void(RuleDraft&)> edit;
        std::string problem; // empty: it saves, as `saved` says
        std::function<void(PurgeRule&)> saved = [](PurgeRule&) {};
    } cases[] = {
        {"spaces around the name go", [](RuleDraft& d) { d.name = " \tLogs  "; }, ""},
        {"a blank name", [](RuleDraft& d) { d.name = " \t "; }, "it has no name"},
        {"a folder of spaces", [&](RuleDraft& d) { d.folders = {folder("   ")}; },
         "it watches no folder"},
        {"blank folder rows go and the rest are trimmed",
         [&](RuleDraft& d) {
             d.folders = {folder(" "), folder(" ~/b\t"), folder("/c")};
         },
         "",
         [](PurgeRule& r) {
             r.folders = {"~/b", "/c"};
         }},
        {"an empty glob beside any file leaves only any file",
         [&](RuleDraft& d) {
             d.matchers = {row(Kind::glob, " "), row(Kind::anyFile, "ignored")};
         },
         "", [](PurgeRule& r) { r.matchers = {FileMatcher::anyFile()}; }},
        {"an extension is kept as typed but trimmed",
         [](RuleDraft& d) { d.matchers[0].value = " .PNG "; }, "",
         [](PurgeRule& r) { r.matchers = {FileMatcher::extensionMatch(".PNG")}; }},
        {"no matcher rows", [](RuleDraft& d) { d.matchers.clear(); }, "it matches no file"},
        {"an age of nothing", [](RuleDraft& d) { d.ageValue = 0; }, "greater than 0"},
        {"an age that is not a number", [&](RuleDraft& d) { d.ageValue = nan; }, "a number"},
        // It would be written as null and make the whole configuration unreadable.
        {"an endless age", [](RuleDraft& d) { d.ageValue = HUGE_VAL; }, "a number"},
        {"the age is the value in its unit",
         [](RuleDraft& d) {
             d.ageValue = 1.5, d.ageUnit = Unit::minutes, d.ageBasis = AgeBasis::creation;
         },
         "", [](PurgeRule& r) { r.ageThreshold = 90, r.ageBasis = AgeBasis::creation; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RuleDraft draft = RuleDraft::newRule();
        draft.name = "Logs";
        draft.folders = {folder("~/logs")};
        draft.matchers = {row(Kind::extensionMatch, "log")};
        PurgeRule expected{draft.id,
                           "Logs",
                           true,
                           {"~/logs"},
                           {FileMatcher::extensionMatch("log")},
                           3600,
                           AgeBasis::modification};
        c.edit(draft);
        if (!c.problem.empty()) {
            EXPECT_FALSE(draft.toRule());
            EXPECT_NE(draft.problem().value_or("").find(c.problem), std::string::npos);
            continue;
        }
        c.saved(expected);
        EXPECT_EQ(draft.toRule(), expected);
    }
}

} // namespace
} // namespace dustlyn::testing

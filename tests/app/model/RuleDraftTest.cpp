#include "app/model/RuleDraft.h"
#include "core/config/DefaultRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace dustlyn::testing {
namespace {

using Unit = RuleDraft::AgeUnit;

struct UnitCase {
    const char* name;
    double seconds;
    double value;
    Unit unit;
};

class BestUnit : public ::testing::TestWithParam<UnitCase> {};

TEST_P(BestUnit, showsTheAgeInTheLargestWholeUnit) {
    const auto [value, unit] = RuleDraft::bestUnit(GetParam().seconds);
    EXPECT_EQ(value, GetParam().value);
    EXPECT_EQ(unit, GetParam().unit);
}

INSTANTIATE_TEST_SUITE_P(
    RuleDraft, BestUnit,
    ::testing::Values(UnitCase{"ninetySecondsAreOneAndAHalfMinutes", 90, 1.5, Unit::minutes},
                      UnitCase{"twoHours", 7200, 2, Unit::hours},
                      UnitCase{"twoDays", 172800, 2, Unit::days},
                      UnitCase{"ninetyMinutesAreNotWholeHours", 5400, 90, Unit::minutes},
                      UnitCase{"thirtySeconds", 30, 30, Unit::seconds},
                      UnitCase{"oneMinute", 60, 1, Unit::minutes},
                      UnitCase{"thirtySixHoursAreNotWholeDays", 129600, 36, Unit::hours},
                      UnitCase{"nothing", 0, 0, Unit::seconds}),
    [](const auto& test) { return std::string(test.param.name); });

RuleDraft validDraft() {
    RuleDraft draft = RuleDraft::newRule();
    draft.name = "Logs";
    draft.folders = {{Uuid::random(), "~/logs"}};
    draft.matchers = {{Uuid::random(), MatcherDraft::Kind::extensionMatch, "log"}};
    return draft;
}

TEST(RuleDraft, anyRuleGoesThroughTheEditorUnchanged) {
    UserFolders folders = UserFolders::make("/home/u");
    auto rules = DefaultRules::all(folders);
    PurgeRule odd = rules[0];
    odd.ageThreshold = 90;
    odd.enabled = false;
    rules.push_back(odd);
    for (const auto& rule : rules) {
        SCOPED_TRACE(rule.name);
        const RuleDraft draft = RuleDraft::from(rule);
        EXPECT_EQ(draft.toRule(), rule);
    }
}

TEST(RuleDraft, eachRowGetsItsOwnIdentityAndAnyFileAnEmptyValue) {
    PurgeRule rule{Uuid::random(),
                   "x",
                   true,
                   {"~/a", "~/a"},
                   {FileMatcher::anyFile(), FileMatcher::glob("*.x")},
                   60,
                   AgeBasis::creation};
    const RuleDraft draft = RuleDraft::from(rule);
    EXPECT_EQ(draft.id, rule.id);
    EXPECT_NE(draft.folders[0].id, draft.folders[1].id);
    EXPECT_EQ(draft.matchers[0].value, "");
    EXPECT_EQ(draft.matchers[1].kind, MatcherDraft::Kind::glob);
}

TEST(RuleDraft, aNewRuleWaitsForANameAndAnExtension) {
    RuleDraft draft = RuleDraft::newRule();
    EXPECT_EQ(draft.folders.at(0).path, "~/");
    EXPECT_EQ(draft.ageValue * RuleDraft::secondsPer(draft.ageUnit), 3600);
    EXPECT_FALSE(draft.toRule());
    draft.name = "Logs";
    EXPECT_FALSE(draft.toRule());
    draft.matchers[0].value = "log";
    ASSERT_TRUE(draft.toRule());
    EXPECT_EQ(draft.toRule()->folders, std::vector<std::string>{"~/"});
}

struct SaveCase {
    const char* name;
    std::function<void(RuleDraft&)> edit;
    std::function<void(const PurgeRule&)> check; // empty: the draft cannot be saved
    const char* problem = nullptr;               // and the words that say why
};

class ToRule : public ::testing::TestWithParam<SaveCase> {};

TEST_P(ToRule, validatesAndTidiesWhatWasTyped) {
    RuleDraft draft = validDraft();
    GetParam().edit(draft);
    const auto rule = draft.toRule();
    if (!GetParam().check) {
        EXPECT_FALSE(rule);
        ASSERT_TRUE(draft.problem());
        EXPECT_NE(draft.problem()->find(GetParam().problem), std::string::npos) << *draft.problem();
        return;
    }
    ASSERT_TRUE(rule);
    EXPECT_EQ(draft.problem(), std::nullopt);
    GetParam().check(*rule);
}

const double nan = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    RuleDraft, ToRule,
    ::testing::Values(
        SaveCase{"spacesAndTabsAroundTheNameGo", [](RuleDraft& d) { d.name = " \tLogs  "; },
                 [](const PurgeRule& r) { EXPECT_EQ(r.name, "Logs"); }},
        SaveCase{"aBlankNameCannotBeSaved", [](RuleDraft& d) { d.name = " \t "; }, {}, "no name"},
        SaveCase{"aFolderOfSpacesIsNoFolder",
                 [](RuleDraft& d) { d.folders[0].path = "   "; },
                 {},
                 "no folder"},
        SaveCase{"blankFolderRowsAreDroppedAndTheRestTrimmed",
                 [](RuleDraft& d) {
                     d.folders = {
                         {Uuid::random(), " "}, {Uuid::random(), " ~/b\t"}, {Uuid::random(), "/c"}};
                 },
                 [](const PurgeRule& r) {
                     EXPECT_EQ(r.folders, (std::vector<std::string>{"~/b", "/c"}));
                 }},
        SaveCase{"anEmptyGlobBesideAnyFileLeavesOnlyAnyFile",
                 [](RuleDraft& d) {
                     d.matchers = {{Uuid::random(), MatcherDraft::Kind::glob, " "},
                                   {Uuid::random(), MatcherDraft::Kind::anyFile, "ignored"}};
                 },
                 [](const PurgeRule& r) {
                     EXPECT_EQ(r.matchers, std::vector<FileMatcher>{FileMatcher::anyFile()});
                 }},
        SaveCase{"anExtensionIsKeptAsTypedButTrimmed",
                 [](RuleDraft& d) { d.matchers[0].value = " .PNG "; },
                 [](const PurgeRule& r) {
                     EXPECT_EQ(r.matchers[0], FileMatcher::extensionMatch(".PNG"));
                 }},
        SaveCase{"noMatcherRowsCannotBeSaved",
                 [](RuleDraft& d) { d.matchers.clear(); },
                 {},
                 "matches no file"},
        SaveCase{
            "noFolderRowsCannotBeSaved", [](RuleDraft& d) { d.folders.clear(); }, {}, "no folder"},
        SaveCase{"anAgeOfNothingCannotBeSaved",
                 [](RuleDraft& d) { d.ageValue = 0; },
                 {},
                 "greater than 0"},
        SaveCase{"aNegativeAgeCannotBeSaved",
                 [](RuleDraft& d) { d.ageValue = -2; },
                 {},
                 "greater than 0"},
        SaveCase{"anAgeThatIsNotANumberCannotBeSaved",
                 [](RuleDraft& d) { d.ageValue = nan; },
                 {},
                 "a number"},
        // It would be written as null and make the whole configuration unreadable.
        SaveCase{"anEndlessAgeCannotBeSaved",
                 [](RuleDraft& d) { d.ageValue = infinity; },
                 {},
                 "a number"},
        SaveCase{"theAgeIsTheValueInItsUnit",
                 [](RuleDraft& d) {
                     d.ageValue = 1.5;
                     d.ageUnit = RuleDraft::AgeUnit::minutes;
                     d.ageBasis = AgeBasis::creation;
                 },
                 [](const PurgeRule& r) {
                     EXPECT_EQ(r.ageThreshold, 90);
                     EXPECT_EQ(r.ageBasis, AgeBasis::creation);
                 }}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace dustlyn::testing

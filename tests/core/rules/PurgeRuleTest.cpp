#include "core/rules/PurgeRule.h"

#include <gtest/gtest.h>

#include <vector>

namespace dustlyn {
namespace {

TEST(AgeThresholdFormatted, shortWordsTruncatedTowardZero) {
    struct Row {
        double seconds;
        const char* text;
    };
    const std::vector<Row> rows = {
        {0, "immediately"},  {-0.0, "immediately"}, {0.5, "0 sec"},    {1, "1 sec"},
        {1.9, "1 sec"},      {59.99, "59 sec"},     {-5, "-5 sec"},    {-0.5, "0 sec"},
        {60, "1 min"},       {119, "1 min"},        {120, "2 min"},    {900, "15 min"},
        {3599, "59 min"},    {3600, "1 hour"},      {5400, "1 hour"},  {7200, "2 hours"},
        {86399, "23 hours"}, {86400, "1 day"},      {172799, "1 day"}, {259200, "3 days"},
        {604800, "7 days"},  {2592000, "30 days"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seconds);
        PurgeRule rule;
        rule.ageThreshold = row.seconds;
        EXPECT_EQ(rule.ageThresholdFormatted(), row.text);
    }
}

TEST(ManualRule, isTheFixedTimerPseudoRule) {
    const PurgeRule& manual = PurgeRule::manual();
    EXPECT_EQ(manual.id.text(), "00000000-0000-0000-0000-00000000F11E");
    EXPECT_EQ(manual.id, PurgeRule::manualID());
    EXPECT_EQ(manual.name, "Timer");
    EXPECT_TRUE(manual.enabled);
    EXPECT_TRUE(manual.folders.empty());
    EXPECT_TRUE(manual.matchers.empty());
    EXPECT_EQ(manual.ageBasis, AgeBasis::modification);
    EXPECT_EQ(manual.ageThresholdFormatted(), "immediately");
}

TEST(RuleEquality, comparesEveryField) {
    const PurgeRule base{Uuid::random(),    "a", true, {"~/x"}, {FileMatcher::anyFile()}, 60,
                         AgeBasis::creation};
    std::vector<PurgeRule> changed(7, base);
    changed[0].id = Uuid::random();
    changed[1].name = "b";
    changed[2].enabled = false;
    changed[3].folders = {"~/y"};
    changed[4].matchers = {FileMatcher::glob("*")};
    changed[5].ageThreshold = 61;
    changed[6].ageBasis = AgeBasis::modification;
    for (std::size_t i = 0; i < changed.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(changed[i], base);
    }
    EXPECT_EQ(PurgeRule(base), base);
    EXPECT_NE(FileMatcher::glob("png"), FileMatcher::extensionMatch("png"));
}

} // namespace
} // namespace dustlyn

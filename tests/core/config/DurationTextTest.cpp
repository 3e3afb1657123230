#include "core/config/DurationText.h"
#include "core/rules/PurgeRule.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace dustlyn {
namespace {

// Lengths of time in full words, and a rule's age in short ones, truncated toward zero.
TEST(DurationText, fullAndShortWordsTruncatedTowardZero) {
    struct Row {
        double seconds;
        const char* full;
        const char* age;
    };
    const std::vector<Row> rows = {
        {-5, "immediately", "-5 sec"},   {0, "immediately", "immediately"},
        {0.5, "0 seconds", "0 sec"},     {1, "1 second", "1 sec"},
        {1.9, "1 second", "1 sec"},      {59.9, "59 seconds", "59 sec"},
        {60, "1 minute", "1 min"},       {119.99, "1 minute", "1 min"},
        {120, "2 minutes", "2 min"},     {3599, "59 minutes", "59 min"},
        {3600, "1 hour", "1 hour"},      {7200, "2 hours", "2 hours"},
        {86399, "23 hours", "23 hours"}, {86400, "1 day", "1 day"},
        {172799, "1 day", "1 day"},      {2592000, "30 days", "30 days"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seconds);
        EXPECT_EQ(DurationText::longText(row.seconds), row.full);
        PurgeRule rule;
        rule.ageThreshold = row.seconds;
        EXPECT_EQ(rule.ageThresholdFormatted(), row.age);
    }
    // Values no file holds still give text.
    EXPECT_EQ(DurationText::longText(std::numeric_limits<double>::quiet_NaN()), "immediately");
    EXPECT_EQ(DurationText::longText(std::numeric_limits<double>::infinity()),
              std::to_string(std::numeric_limits<std::int64_t>::max()) + " days");
}

} // namespace
} // namespace dustlyn

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
        {0, "immediately"},  {0.5, "0 sec"},   {1.9, "1 sec"},    {-5, "-5 sec"},
        {60, "1 min"},       {3599, "59 min"}, {3600, "1 hour"},  {7200, "2 hours"},
        {86399, "23 hours"}, {86400, "1 day"}, {172799, "1 day"}, {2592000, "30 days"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seconds);
        PurgeRule rule;
        rule.ageThreshold = row.seconds;
        EXPECT_EQ(rule.ageThresholdFormatted(), row.text);
    }
}

} // namespace
} // namespace dustlyn

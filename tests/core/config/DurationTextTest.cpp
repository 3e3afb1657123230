#include "core/config/DurationText.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace dustlyn {
namespace {

TEST(DurationTextLong, fullWordsTruncatedTowardZero) {
    struct Row {
        double seconds;
        const char* text;
    };
    const std::vector<Row> rows = {
        {-0.5, "immediately"}, {0, "immediately"}, {0.5, "0 seconds"},   {1, "1 second"},
        {59.9, "59 seconds"},  {60, "1 minute"},   {119.99, "1 minute"}, {120, "2 minutes"},
        {3599, "59 minutes"},  {3600, "1 hour"},   {7200, "2 hours"},    {86399, "23 hours"},
        {86400, "1 day"},      {172799, "1 day"},  {2592000, "30 days"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seconds);
        EXPECT_EQ(DurationText::longText(row.seconds), row.text);
    }
    // Values no file holds still give text.
    EXPECT_EQ(DurationText::longText(std::numeric_limits<double>::quiet_NaN()), "immediately");
    EXPECT_EQ(DurationText::longText(std::numeric_limits<double>::infinity()),
              std::to_string(std::numeric_limits<std::int64_t>::max()) + " days");
}

} // namespace
} // namespace dustlyn

#include "core/base/ByteCount.h"
#include "core/base/Date.h"
#include "core/base/JsonText.h"
#include "core/base/Paths.h"
#include "core/base/Utf8.h"
#include "core/base/Uuid.h"
#include "core/config/DurationText.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

TEST(Dates, writtenInUtcWithWholeSecondsAndReadBackExactlyAndNothingElseReads) {
    const Date date = dateFromUnix(1740821400, 750'000'000); // 2025-03-01T09:30:00.75Z
    EXPECT_EQ(formatRfc3339(date), "2025-03-01T09:30:00Z");
    EXPECT_EQ(parseRfc3339("2025-03-01T09:30:00Z"), wholeSeconds(date));
    for (const char* text :
         {"2025-03-01T09:30:00.5Z", "2025-03-01T09:30:00+00:00", "2025-02-30T09:30:00Z",
          "2025-03-01 09:30:00Z", "", "4052-03-01T09:15:00Z"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseRfc3339(text));
    }
    // Far-off durations saturate instead of overflowing.
    EXPECT_EQ(dateAfter(date, 1e300), Date::max());
    EXPECT_EQ(dateAfter(date, -1e300), Date::min());
}

TEST(Uuids, canonicalUpperCaseTextEitherCaseReadAndManyAtOnceDistinctVersionFour) {
    EXPECT_EQ(Uuid::parse("00000000-0000-0000-0000-00000000f11e").value().text(),
              "00000000-0000-0000-0000-00000000F11E");
    EXPECT_FALSE(Uuid::parse("00000000-0000-0000-0000-00000000F11"));
    EXPECT_FALSE(Uuid::parse("000000000-000-0000-0000-00000000F11E"));
    const std::vector<Uuid> ids = Uuid::randomMany(1000);
    EXPECT_EQ(std::set<Uuid>(ids.begin(), ids.end()).size(), 1000u);
    for (const auto& id : ids) {
        EXPECT_EQ(Uuid::parse(id.text()), id);
        EXPECT_EQ(id.text()[14], '4') << id.text();
        EXPECT_NE(std::string("89AB").find(id.text()[19]), std::string::npos) << id.text();
    }
}

TEST(ByteCounts, useDecimalUnits) {
    EXPECT_EQ(formatByteCount(999), "999 bytes");
    EXPECT_EQ(formatByteCount(1000), "1 kB");
    EXPECT_EQ(formatByteCount(3'400'000), "3.4 MB");
    EXPECT_EQ(formatByteCount(999'999), "1.0 MB");
    EXPECT_EQ(formatByteCount(1'250'000'000), "1.25 GB");
}

TEST(Utf8, rejectsWhatCannotBeWrittenAsJsonText) {
    EXPECT_TRUE(isValidUtf8("Screenshot 2024 — café.png"));
    EXPECT_FALSE(isValidUtf8("bad\xff.png"));
    EXPECT_FALSE(isValidUtf8("\xc0\xaf"));     // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80")); // surrogate
}

TEST(JsonText, prettyFormSortsKeysEscapesSolidusAndSpacesColons) {
    const auto value = nlohmann::json::parse(R"({"b": [1, 0.5], "a": {"y": "a/b", "x": []}})");
    EXPECT_EQ(writePrettyJson(value), "{\n  \"a\" : {\n    \"x\" : [],\n    \"y\" : \"a\\/b\"\n"
                                      "  },\n  \"b\" : [\n    1,\n    0.5\n  ]\n}");
    std::string text;
    EXPECT_FALSE(appendJsonString(text, "é/\n\t\x01\x1f"));
    EXPECT_EQ(text, "\"é\\/\\n\\t\\u0001\\u001f\"");
}

TEST(Paths, tildeExpansionForTheHomeAndForNamedUsersAbbreviationAndStandardizing) {
    EXPECT_EQ(expandTilde("~", "/home/ann"), fs::path("/home/ann"));
    EXPECT_EQ(expandTilde("~/Desktop", "/home/ann"), fs::path("/home/ann/Desktop"));
    EXPECT_EQ(expandTilde("~root/x", "/home/ann"), fs::path("/root/x"));
    EXPECT_EQ(expandTilde("~no-such-user-here/x", "/home/ann"), fs::path("~no-such-user-here/x"));
    EXPECT_EQ(expandTilde("/abs/~", "/home/ann"), fs::path("/abs/~"));
    EXPECT_EQ(abbreviateHome("/home/ann/Pictures", "/home/ann"), "~/Pictures");
    EXPECT_EQ(abbreviateHome("/home/anna/Pictures", "/home/ann"), "/home/anna/Pictures");
    EXPECT_EQ(abbreviateHome("/home/ann", "/home/ann/"), "~");
    EXPECT_EQ(standardizePath("~//a/./b/../c/", "/home/ann"), "/home/ann/a/c");
    EXPECT_EQ(standardizePath("", "/home/ann"), "");
}

TEST(DurationTextLong, fullWordsTruncatedTowardZero) {
    struct Row {
        double seconds;
        const char* text;
    };
    const std::vector<Row> rows = {
        {-0.5, "immediately"}, {0.5, "0 seconds"}, {1, "1 second"},      {59.9, "59 seconds"},
        {119.99, "1 minute"},  {120, "2 minutes"}, {3600, "1 hour"},     {86399, "23 hours"},
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

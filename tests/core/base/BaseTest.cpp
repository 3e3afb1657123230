#include "core/base/ByteCount.h"
#include "core/base/Date.h"
#include "core/base/JsonText.h"
#include "core/base/Paths.h"
#include "core/base/Utf8.h"
#include "core/base/Uuid.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

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
    const auto lower = Uuid::parse("00000000-0000-0000-0000-00000000f11e");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->text(), "00000000-0000-0000-0000-00000000F11E");
    EXPECT_FALSE(Uuid::parse("00000000-0000-0000-0000-00000000F11"));
    EXPECT_FALSE(Uuid::parse("000000000-000-0000-0000-00000000F11E"));
    const std::vector<Uuid> ids = Uuid::randomMany(1000);
    ASSERT_EQ(ids.size(), 1000u);
    EXPECT_EQ(std::set<Uuid>(ids.begin(), ids.end()).size(), ids.size());
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
    nlohmann::ordered_json ordered;
    ordered["z"] = "é/\n";
    ordered["a"] = 300.0;
    EXPECT_EQ(writeCompactJson(ordered), "{\"z\":\"é\\/\\n\",\"a\":300}");
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

} // namespace
} // namespace dustlyn

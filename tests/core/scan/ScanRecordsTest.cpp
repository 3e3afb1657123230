#include "core/scan/ScanReport.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

const Date basis = dateFromUnix(1740821400);    // 2025-03-01T09:30:00Z
const Date deadline = dateFromUnix(1740822300); // 2025-03-01T09:45:00Z

MatchedFile file(const char* path, bool eligible, std::int64_t size = 10) {
    return MatchedFile(path, size, basis, PurgeRule::manualID(), eligible, deadline);
}

PurgeRule storedRule() {
    return PurgeRule{*Uuid::parse("6F0A1B2C-3D4E-4F50-8162-738495A6B7C8"),
                     "Screenshots",
                     true,
                     {"~/Desktop"},
                     {FileMatcher::glob("Screenshot*.png")},
                     900,
                     AgeBasis::creation};
}

// Due and watching files keep the list order within a result, and the results' order.
TEST(ScanReports, dueAndWatchingFilesFollowTheResultOrder) {
    const ScanReport report{
        {ScanResult{storedRule(), "~/Desktop", {file("/1", false), file("/2", true)}},
         ScanResult{PurgeRule::manual(), "", {file("/3", true), file("/4", false)}}},
        4,
        40};
    EXPECT_EQ(report.eligibleFiles(), (std::vector{file("/2", true), file("/3", true)}));
    EXPECT_EQ(report.watchingFiles(), (std::vector{file("/1", false), file("/4", false)}));
}

TEST(ScanReports, jsonNamesEveryFieldWithDatesInUtcAndTheRuleAsStored) {
    MatchedFile listed = file("/home/u/Desktop/Screenshot 1.png", false, 123);
    listed.ruleID = storedRule().id;
    const ScanReport report{{ScanResult{storedRule(), "~/Desktop", {listed}}}, 1, 123};
    EXPECT_EQ(toJson(report).dump(),
              R"({"results":[{"rule":{"ageBasis":"creation","ageThreshold":900.0,)"
              R"("enabled":true,"folders":["~/Desktop"],)"
              R"("id":"6F0A1B2C-3D4E-4F50-8162-738495A6B7C8",)"
              R"("matchers":[{"glob":"Screenshot*.png"}],"name":"Screenshots"},)"
              R"("folder":"~/Desktop","files":[{"url":"/home/u/Desktop/Screenshot 1.png",)"
              R"("size":123,"ageBasisDate":"2025-03-01T09:30:00Z",)"
              R"("ruleID":"6F0A1B2C-3D4E-4F50-8162-738495A6B7C8","isEligible":false,)"
              R"("deadline":"2025-03-01T09:45:00Z"}]}],"matchedCount":1,"totalSize":123})");
    EXPECT_EQ(toJson(ScanReport::empty()).dump(),
              R"({"results":[],"matchedCount":0,"totalSize":0})");
}

} // namespace
} // namespace dustlyn

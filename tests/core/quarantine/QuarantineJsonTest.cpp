#include "core/base/JsonText.h"
#include "core/quarantine/PurgeReport.h"
#include "core/quarantine/QuarantineReport.h"
#include "core/quarantine/QuarantinedFile.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

TEST(QuarantineJson, anOutcomeHasEitherItsDestinationOrItsError) {
    QuarantineReport report;
    report.outcomes = {{"/d/a.png", std::filesystem::path("/q/a.png"), true, std::nullopt},
                       {"/d/b.png", std::nullopt, false, "Permission denied"}};
    report.movedCount = 1;
    report.movedSize = 12;
    report.failedCount = 1;
    EXPECT_EQ(writeCompactJson(toJson(report)),
              R"({"outcomes":[{"original":"\/d\/a.png","quarantined":"\/q\/a.png","success":true},)"
              R"({"original":"\/d\/b.png","success":false,"error":"Permission denied"}],)"
              R"("movedCount":1,"movedSize":12,"failedCount":1})");
}

TEST(QuarantineJson, aListedFileHasItsDatesAsText) {
    const QuarantinedFile file{*Uuid::parse("11111111-2222-4333-8444-555555555555"),
                               "/q/a.png",
                               1'200'000,
                               dateFromUnix(1'700'000'000, 500'000'000),
                               dateFromUnix(1'700'604'800, 500'000'000),
                               false};
    EXPECT_EQ(writeCompactJson(toJson(file)),
              R"({"id":"11111111-2222-4333-8444-555555555555","url":"\/q\/a.png","size":1200000,)"
              R"("quarantinedDate":"2023-11-14T22:13:20Z","expiresDate":"2023-11-21T22:13:20Z",)"
              R"("isExpired":false})");
}

} // namespace
} // namespace dustlyn

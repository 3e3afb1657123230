#include "cli/SourceHosts.h"
#include "core/scan/Scanner.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::setAttribute;
using testing::setModificationDate;
using testing::TempDir;
using testing::writeFile;

// The hosts looked up beside the walk are the ones each claimed file's own attributes name:
// over several hand-overs to the lookup thread, for a rule's files and a timer's alike.
TEST(SourceHosts, areTheHostsOfEveryClaimedFile) {
    TempDir home("dustlyn-hosts");
    const Date now = dateFromUnix(1'800'000'000);
    std::map<std::string, std::optional<std::string>> expected;
    std::string refusal;
    for (int i = 0; i < 700; ++i) {
        const fs::path file = home / "Desktop" / ("file-" + std::to_string(i) + ".zip");
        writeFile(file);
        setModificationDate(file, dateFromUnix(1'700'000'000));
        std::optional<std::string> host;
        bool set = true;
        if (i % 5 == 0) {
            host = "site" + std::to_string(i % 3) + ".example";
            set = setAttribute(file, "user.xdg.origin.url", "https://www." + *host + "/a", refusal);
        } else if (i % 7 == 0) {
            host = "referrer.example";
            set = setAttribute(file, "user.xdg.referrer.url", "https://referrer.example/", refusal);
        } else if (i % 11 == 0) {
            set = setAttribute(file, "user.comment", "no address here", refusal);
        }
        if (!set)
            GTEST_SKIP() << "the file system refuses user extended attributes: " << refusal;
        expected[file.native()] = host;
    }
    const fs::path timed = home / "Elsewhere" / "timed.iso";
    writeFile(timed);
    ASSERT_TRUE(setAttribute(timed, "user.xdg.origin.url", "https://mirror.example/x", refusal));
    expected[timed.native()] = "mirror.example";
    PurgeRule rule;
    rule.id = Uuid::random();
    rule.name = "Old downloads";
    rule.folders = {"~/Desktop"};
    rule.matchers = {FileMatcher::glob("*.zip")};
    rule.ageThreshold = 60;

    SourceHosts hosts;
    const ScanClaims claims = Scanner(home.path()).claim({rule}, {}, {{timed, now}}, now, &hosts);
    hosts.finish();
    ASSERT_EQ(claims.claims().size(), expected.size());
    for (const auto& claim : claims.claims()) {
        SCOPED_TRACE(std::string(claim.path));
        const auto host = hosts.of(claim.path);
        EXPECT_EQ(host ? std::optional<std::string>(*host) : std::nullopt,
                  expected.at(std::string(claim.path)));
    }
}

TEST(SourceHosts, followNoSymbolicLink) {
    TempDir folder("dustlyn-hosts");
    writeFile(folder / "file.zip");
    std::string refusal;
    if (!setAttribute(folder / "file.zip", "user.xdg.origin.url", "https://example.com/f", refusal))
        GTEST_SKIP() << "the file system refuses user extended attributes: " << refusal;
    fs::create_symlink(folder / "file.zip", folder / "link.zip");
    SourceHosts hosts;
    hosts.found((folder / "link.zip").native());
    hosts.found((folder / "file.zip").native());
    hosts.finish();
    EXPECT_EQ(hosts.of((folder / "link.zip").native()), std::nullopt);
    EXPECT_EQ(hosts.of((folder / "file.zip").native()), "example.com");
}

} // namespace
} // namespace dustlyn

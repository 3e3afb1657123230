#include "cli/SourceHosts.h"
#include "core/scan/Scanner.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::setAttribute;
using testing::writeFile;
using Host = std::optional<std::string>;

// The hosts looked up beside the walk are the ones each claimed file's own attributes name:
// over several hand-overs to the lookup thread, for a rule's files and a timer's alike; a
// symbolic link is never followed.
TEST(SourceHosts, areTheHostsOfEveryClaimedFile) {
    testing::TempDir home("dustlyn-hosts");
    std::map<std::string, Host> expected;
    std::string refusal;
    writeFile(home / "probe");
    if (!setAttribute(home / "probe", "user.comment", "x", refusal))
        GTEST_SKIP() << "the file system refuses user extended attributes: " << refusal;
    const auto tag = [&](const fs::path& file, const char* name, const std::string& value) {
        EXPECT_TRUE(setAttribute(file, name, value, refusal)) << refusal;
    };
    for (int i = 0; i < 700; ++i) {
        const fs::path file = home / "Desktop" / ("file-" + std::to_string(i) + ".zip");
        writeFile(file);
        testing::setModificationDate(file, dateFromUnix(1'700'000'000));
        Host& host = expected[file.native()];
        if (i % 5 == 0) {
            host = "site" + std::to_string(i % 3) + ".example";
            tag(file, "user.xdg.origin.url", "https://www." + *host + "/a");
        } else if (i % 7 == 0) {
            host = "referrer.example";
            tag(file, "user.xdg.referrer.url", "https://referrer.example/");
        } else if (i % 11 == 0) {
            tag(file, "user.comment", "no address here");
        }
    }
    const fs::path timed = home / "Elsewhere" / "timed.iso";
    writeFile(timed);
    tag(timed, "user.xdg.origin.url", "https://mirror.example/x");
    expected[timed.native()] = "mirror.example";
    fs::create_symlink(timed, home / "Desktop" / "link.zip");
    expected[(home / "Desktop" / "link.zip").native()] = std::nullopt;
    const PurgeRule rule{Uuid::random(),
                         "Old downloads",
                         true,
                         {"~/Desktop"},
                         {FileMatcher::glob("*.zip")},
                         60,
                         AgeBasis::modification};

    SourceHosts hosts;
    const Date now = dateFromUnix(1'800'000'000);
    const ScanClaims claims = Scanner(home.path()).claim({rule}, {}, {{timed, now}}, now, &hosts);
    hosts.found((home / "Desktop" / "link.zip").native());
    hosts.finish();
    std::map<std::string, Host> found;
    for (const auto& claim : claims.claims())
        found[std::string(claim.path)] =
            hosts.of(claim.path) ? Host(*hosts.of(claim.path)) : Host();
    found[(home / "Desktop" / "link.zip").native()] =
        hosts.of((home / "Desktop" / "link.zip").native()) ? Host("followed") : Host();
    EXPECT_EQ(found, expected);
}

} // namespace
} // namespace dustlyn

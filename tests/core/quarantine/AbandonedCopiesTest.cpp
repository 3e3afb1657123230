#include "core/quarantine/TreeCopy.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

// What a move killed half way leaves is removed; a copy still being made, and anything that
// is no partial copy, stays.
TEST(AbandonedCopies, onlyPartialCopiesThatNoCopyHoldsAreRemoved) {
    testing::TempDir dir("dustlyn-partial");
    const fs::path folder = dir / "Quarantine";
    const std::string prefix(partialCopyPrefix);
    testing::writeFile(folder / (prefix + "file"), "half a file");
    testing::writeFile(folder / (prefix + "folder/inner/deep.txt"), "half a folder");
    fs::create_symlink("nowhere", folder / (prefix + "link"));
    testing::writeFile(folder / (prefix + "busy"), "still being copied");
    testing::writeFile(folder / ".hidden", "someone's own");
    testing::writeFile(folder / "photo.png", "quarantined");
    testing::writeFile(folder / "sub" / (prefix + "nested"), "not where a move copies to");
    const int busy = ::open((folder / (prefix + "busy")).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);

    EXPECT_EQ(removeAbandonedCopies(folder), 3u);
    ::close(busy);

    EXPECT_EQ(testing::namesIn(folder),
              (std::vector<std::string>{prefix + "busy", ".hidden", "photo.png", "sub"}));
    EXPECT_TRUE(fs::exists(folder / "sub" / (prefix + "nested")));
    EXPECT_EQ(removeAbandonedCopies(folder), 1u) << "once nobody holds it";
    EXPECT_EQ(removeAbandonedCopies(dir / "missing"), 0u);
}

} // namespace
} // namespace dustlyn

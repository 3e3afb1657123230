#include "core/quarantine/FileManagerDeleter.h"
#include "core/base/FileError.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

// A file or a link goes, never the link's target; a folder goes with its contents but not
// through a link out of it.
TEST(Deleting, removesAFileALinkOrAFolderButNeverWhatALinkLeadsTo) {
    testing::TempDir dir("dustlyn-delete");
    writeFile(dir / "outside/precious.txt", "precious");
    writeFile(dir / "outside/deeper/more.txt", "more");
    writeFile(dir / "Quarantine/a.png");
    fs::create_symlink(dir / "outside", dir / "Quarantine/link");
    writeFile(dir / "Quarantine/album/one.jpg");
    writeFile(dir / "Quarantine/album/.hidden");
    writeFile(dir / "Quarantine/album/sub/sub/two.jpg");
    fs::create_directory_symlink(dir / "outside", dir / "Quarantine/album/sub/escape");
    fs::create_symlink(dir / "outside/precious.txt", dir / "Quarantine/album/file-link");

    for (const char* item : {"a.png", "link", "album"})
        FileManagerDeleter().deleteItem(dir / "Quarantine" / item);
    EXPECT_TRUE(testing::namesIn(dir / "Quarantine").empty());
    EXPECT_EQ(testing::readFile(dir / "outside/precious.txt"), "precious");
    EXPECT_EQ(testing::readFile(dir / "outside/deeper/more.txt"), "more");
    EXPECT_THROW(FileManagerDeleter().deleteItem(dir / "never-there.png"), FileError);
}

TEST(Deleting, whatCannotBeRemovedIsReportedAndTheRestStillGoes) {
    testing::TempDir dir("dustlyn-delete");
    writeFile(dir / "album/a.jpg");
    writeFile(dir / "album/z.jpg");
    fs::create_directories(dir / "album/stuck");
    // As root, another file system mounted inside (never entered, so its files survive); as
    // an ordinary user, a read-only folder.
    std::string mountError;
    std::unique_ptr<testing::TestMount> mount;
    if (geteuid() == 0) {
        mount = testing::TestMount::tmpfs(dir / "album/stuck", "size=64k", mountError);
        if (!mount)
            GTEST_SKIP() << "cannot mount a tmpfs: " << mountError;
        writeFile(dir / "album/stuck/other-file-system.txt", "safe");
    } else {
        writeFile(dir / "album/stuck/b.jpg", "safe");
        fs::permissions(dir / "album/stuck", fs::perms(0555));
    }
    try {
        FileManagerDeleter().deleteItem(dir / "album");
        FAIL() << "deleting succeeded";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), mount ? "Device or resource busy" : "Permission denied");
    }
    EXPECT_EQ(testing::namesIn(dir / "album"), std::vector<std::string>{"stuck"});
    for (const auto& name : testing::namesIn(dir / "album/stuck"))
        EXPECT_EQ(testing::readFile(dir / "album/stuck" / name), "safe");
    EXPECT_EQ(testing::namesIn(dir / "album/stuck").size(), 1u);
}

} // namespace
} // namespace dustlyn

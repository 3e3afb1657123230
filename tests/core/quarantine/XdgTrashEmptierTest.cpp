#include "core/quarantine/XdgTrashEmptier.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::namesIn;
using testing::writeFile;

// A trash can laid out as the desktop's file managers leave it.
void fillTrash(const fs::path& trash, const fs::path& outside) {
    writeFile(trash / "files/report.pdf", "pdf");
    writeFile(trash / "info/report.pdf.trashinfo", "[Trash Info]\n");
    writeFile(trash / "files/album/sub/one.jpg");
    writeFile(trash / "info/album.trashinfo", "[Trash Info]\n");
    fs::create_directory_symlink(outside, trash / "files/link-out");
    writeFile(trash / "info/link-out.trashinfo", "[Trash Info]\n");
    fs::create_symlink(outside, trash / "files/album/sub/escape");
    writeFile(trash / "info/orphan.txt.trashinfo", "[Trash Info]\n");
    writeFile(trash / "directorysizes", "4096 1700000000 album\n");
}

// Makes `folder` hold inside.txt where no deletion can remove it: as root, another file system
// mounted there (never entered: deletions stay on their own file system); as an ordinary
// user, a read-only folder. False when root cannot mount.
bool makeStuck(const fs::path& folder, std::unique_ptr<testing::TestMount>& mount) {
    fs::create_directories(folder);
    std::string error;
    if (geteuid() == 0 && !(mount = testing::TestMount::mount("tmpfs", folder, error, "size=64k")))
        return false;
    writeFile(folder / "inside.txt", "inside");
    if (!mount)
        fs::permissions(folder, fs::perms(0555));
    return true;
}

struct EmptyingTheTrash : ::testing::Test {
    void SetUp() override {
        writeFile(outside / "precious.txt", "precious");
        writeFile(outside / "deeper/more.txt", "more");
    }

    void expectEmpty(const fs::path& trash) {
        SCOPED_TRACE(trash.native());
        EXPECT_TRUE(namesIn(trash / "files").empty());
        EXPECT_TRUE(namesIn(trash / "info").empty());
        EXPECT_FALSE(fs::exists(trash / "directorysizes") &&
                     fs::file_size(trash / "directorysizes") > 0);
    }
    void expectOutsideIntact() {
        EXPECT_EQ(testing::readFile(outside / "precious.txt"), "precious");
        EXPECT_EQ(testing::readFile(outside / "deeper/more.txt"), "more");
    }

    testing::TempDir dir{"dustlyn-trash"};
    fs::path outside = dir / "outside";
    fs::path home = dir / "home/.local/share/Trash";
    fs::path volume = dir / "volume";
    std::string uid = std::to_string(::getuid());
};

TEST_F(EmptyingTheTrash, theHomeAndAVolumesTrashLoseEveryItemAndDescriptionButNoLinkTarget) {
    const fs::path own = volume / (".Trash-" + uid);
    fillTrash(home, outside);
    fillTrash(own, outside);
    XdgTrashEmptier emptier(home, ::getuid(), {volume});
    EXPECT_EQ(emptier.trashDirectories(), (std::vector<fs::path>{home, own}));
    emptier.emptyTrash();
    expectEmpty(home);
    expectEmpty(own);
    expectOutsideIntact();
}

// A shared .Trash counts only when it is a real sticky folder, not one without the sticky bit
// and not a link to a sticky one; a volume trash that is a link is left alone too.
TEST_F(EmptyingTheTrash, aSharedTrashCountsOnlyWhenItIsARealStickyFolder) {
    EXPECT_NO_THROW(XdgTrashEmptier(home, ::getuid(), {volume}).emptyTrash()); // none there
    for (const auto& [mode, linked] : std::vector<std::pair<fs::perms, bool>>{
             {fs::perms(01777), false}, {fs::perms(0777), false}, {fs::perms(01777), true}}) {
        const bool used = mode == fs::perms(01777) && !linked;
        const fs::path top = dir / ("top" + std::to_string(int(mode)) + (linked ? "l" : ""));
        const fs::path real = (linked ? dir / "elsewhere" : top) / ".Trash";
        fs::create_directories(real);
        fs::create_directories(top);
        fs::permissions(real, mode);
        if (linked)
            fs::create_directory_symlink(real, top / ".Trash");
        fillTrash(real / uid, outside);
        XdgTrashEmptier(home, ::getuid(), {top}).emptyTrash();
        EXPECT_EQ(fs::exists(real / uid / "files/report.pdf"), !used) << top;
    }
    fs::create_directories(volume);
    fillTrash(dir / "real-trash", outside);
    fs::create_directory_symlink(dir / "real-trash", volume / (".Trash-" + uid));
    XdgTrashEmptier(home, ::getuid(), {volume}).emptyTrash();
    EXPECT_TRUE(fs::exists(dir / "real-trash/files/report.pdf"));
    expectOutsideIntact();
}

TEST_F(EmptyingTheTrash, anItemThatCannotGoKeepsItsDescriptionAndTheFailureIsReported) {
    fillTrash(home, outside);
    writeFile(home / "info/stuck.trashinfo");
    std::unique_ptr<testing::TestMount> mount;
    if (!makeStuck(home / "files/stuck", mount))
        GTEST_SKIP() << "cannot mount a tmpfs";
    EXPECT_THROW(XdgTrashEmptier(home, ::getuid(), {volume}).emptyTrash(), FileError);
    EXPECT_EQ(namesIn(home / "files"), std::vector<std::string>{"stuck"});
    EXPECT_EQ(namesIn(home / "info"), std::vector<std::string>{"stuck.trashinfo"});
    EXPECT_EQ(testing::readFile(home / "files/stuck/inside.txt"), "inside");
    EXPECT_FALSE(fs::exists(home / "directorysizes"));
    expectOutsideIntact();
}

TEST(MountTable, listsMountPointsWithTheirEscapesDecoded) {
    const auto points =
        XdgTrashEmptier::mountPointsFromTable("/dev/vda / ext4 rw,relatime 0 0\n"
                                              "/dev/sdb1 /media/ann/USB\\040Stick vfat rw 0 0\n"
                                              "tmpfs /mnt/tab\\011and\\134slash tmpfs rw 0 0\n"
                                              "\n");
    EXPECT_EQ(points, (std::vector<fs::path>{"/", "/media/ann/USB Stick", "/mnt/tab\tand\\slash"}));
}

using Deleting = EmptyingTheTrash;

// A file or a link goes, never the link's target; a folder goes with its contents but not
// through a link out of it.
TEST_F(Deleting, removesAFileALinkOrAFolderButNeverWhatALinkLeadsTo) {
    const fs::path quarantine = dir / "Quarantine";
    writeFile(quarantine / "a.png");
    fs::create_symlink(outside, quarantine / "link");
    writeFile(quarantine / "album/one.jpg");
    writeFile(quarantine / "album/.hidden");
    writeFile(quarantine / "album/sub/sub/two.jpg");
    fs::create_directory_symlink(outside, quarantine / "album/sub/escape");
    fs::create_symlink(outside / "precious.txt", quarantine / "album/file-link");
    for (const char* item : {"a.png", "link", "album"})
        FileManagerDeleter().deleteItem(quarantine / item);
    EXPECT_TRUE(namesIn(quarantine).empty());
    expectOutsideIntact();
    EXPECT_THROW(FileManagerDeleter().deleteItem(dir / "never-there.png"), FileError);
}

} // namespace
} // namespace dustlyn

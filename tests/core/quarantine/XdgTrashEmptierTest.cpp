#include "core/quarantine/XdgTrashEmptier.h"
#include "core/base/FileError.h"
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

TEST_F(EmptyingTheTrash, aSharedTrashCountsOnlyWhenItIsARealStickyFolder) {
    struct Case {
        const char* behaviour;
        std::function<void(const fs::path& top)> makeShared;
        bool emptied;
    };
    const fs::path elsewhere = dir / "elsewhere";
    const std::vector<Case> cases = {
        {"a sticky folder is used",
         [](const fs::path& top) {
             fs::create_directories(top / ".Trash");
             ::chmod((top / ".Trash").c_str(), 01777);
         },
         true},
        {"a folder without the sticky bit is left alone",
         [](const fs::path& top) {
             fs::create_directories(top / ".Trash");
             ::chmod((top / ".Trash").c_str(), 0777);
         },
         false},
        {"a link to a sticky folder is left alone",
         [&](const fs::path& top) {
             fs::create_directories(top);
             fs::create_directories(elsewhere / ".Trash");
             ::chmod((elsewhere / ".Trash").c_str(), 01777);
             fs::create_directory_symlink(elsewhere / ".Trash", top / ".Trash");
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const fs::path top = dir / ("top" + std::to_string(&c - cases.data()));
        c.makeShared(top);
        const fs::path real = fs::canonical(top / ".Trash") / uid;
        fillTrash(real, outside);
        XdgTrashEmptier(home, ::getuid(), {top}).emptyTrash();
        if (c.emptied) {
            expectEmpty(real);
        } else {
            EXPECT_TRUE(fs::exists(real / "files/report.pdf"));
            EXPECT_TRUE(fs::exists(real / "info/orphan.txt.trashinfo"));
            EXPECT_TRUE(fs::exists(real / "directorysizes"));
        }
        expectOutsideIntact();
        fs::remove_all(elsewhere);
    }
}

// Missing trash folders are no failure either.
TEST_F(EmptyingTheTrash, aVolumeTrashThatIsALinkOrSomeoneElsesIsLeftAlone) {
    EXPECT_NO_THROW(XdgTrashEmptier(home, ::getuid(), {volume}).emptyTrash());
    fs::create_directories(volume);
    fillTrash(dir / "real-trash", outside);
    fs::create_directory_symlink(dir / "real-trash", volume / (".Trash-" + uid));
    EXPECT_TRUE(XdgTrashEmptier(home, ::getuid(), {volume}).trashDirectories().empty());
    XdgTrashEmptier(home, ::getuid(), {volume}).emptyTrash();
    EXPECT_TRUE(fs::exists(dir / "real-trash/files/report.pdf"));
    EXPECT_TRUE(XdgTrashEmptier(home, ::getuid() + 1, {volume}).trashDirectories().empty());
}

TEST_F(EmptyingTheTrash, anItemThatCannotGoKeepsItsDescriptionAndTheFailureIsReported) {
    fillTrash(home, outside);
    fs::create_directories(home / "files/stuck");
    writeFile(home / "info/stuck.trashinfo");
    // As root, another file system mounted inside the item (never entered: the emptier stays
    // on the trash's file system); as an ordinary user, a read-only folder.
    std::unique_ptr<testing::TestMount> mount;
    if (geteuid() == 0) {
        std::string error;
        mount = testing::TestMount::tmpfs(home / "files/stuck", "size=64k", error);
        if (!mount)
            GTEST_SKIP() << "cannot mount a tmpfs: " << error;
        writeFile(home / "files/stuck/inside.txt", "inside");
    } else {
        writeFile(home / "files/stuck/inside.txt", "inside");
        fs::permissions(home / "files/stuck", fs::perms(0555));
    }
    EXPECT_THROW(XdgTrashEmptier(home, ::getuid(), {volume}).emptyTrash(), FileError);
    EXPECT_EQ(namesIn(home / "files"), std::vector<std::string>{"stuck"});
    EXPECT_EQ(namesIn(home / "info"), std::vector<std::string>{"stuck.trashinfo"});
    if (mount) {
        EXPECT_EQ(testing::readFile(home / "files/stuck/inside.txt"), "inside");
    }
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

} // namespace
} // namespace dustlyn

#include "core/quarantine/FileManagerMover.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/Purger.h"
#include "core/quarantine/QuarantineScanner.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

const Date quarantineMoment = dateFromUnix(1'750'000'123, 456'000'000);
const char* originAttribute = "user.xdg.origin.url";

std::string moveError(const fs::path& source, const fs::path& destination) {
    try {
        FileManagerMover().move(source, destination, quarantineMoment);
    } catch (const FileError& error) {
        return error.what();
    }
    return "no error";
}

TEST(MovingWithinAFileSystem, putsTheFileThereDatedAndCreatesTheQuarantineFolder) {
    testing::TempDir dir("dustlyn-move");
    writeFile(dir / "Desktop/shot.png", "pixels");
    const fs::path destination = dir / "Support/Quarantine/shot.png";
    EXPECT_EQ(FileManagerMover().move(dir / "Desktop/shot.png", destination, quarantineMoment),
              destination);
    EXPECT_EQ(readFile(destination), "pixels");
    EXPECT_EQ(testing::modificationDate(destination), quarantineMoment);
    EXPECT_FALSE(fs::exists(dir / "Desktop/shot.png"));

    // Without a date (a restore) it keeps the date it had.
    testing::setModificationDate(destination, dateFromUnix(1'600'000'000));
    FileManagerMover().move(destination, dir / "back/shot.png", std::nullopt);
    EXPECT_EQ(testing::modificationDate(dir / "back/shot.png"), dateFromUnix(1'600'000'000));

    // A folder moves with everything in it.
    writeFile(dir / "Downloads/album/sub/two.jpg", "2");
    FileManagerMover().move(dir / "Downloads/album", dir / "q/album", quarantineMoment);
    EXPECT_EQ(readFile(dir / "q/album/sub/two.jpg"), "2");
    EXPECT_EQ(testing::modificationDate(dir / "q/album"), quarantineMoment);

    // A source that vanished fails and touches nothing.
    EXPECT_EQ(moveError(dir / "gone.png", dir / "q/gone.png"), "No such file or directory");
    EXPECT_EQ(testing::namesIn(dir / "q"), std::vector<std::string>{"album"});
}

TEST(MovingWithinAFileSystem, aSymbolicLinkMovesAsTheLinkItself) {
    testing::TempDir dir("dustlyn-move");
    writeFile(dir / "target.txt", "kept");
    fs::create_symlink(dir / "target.txt", dir / "link");
    FileManagerMover().move(dir / "link", dir / "q/link", quarantineMoment);
    EXPECT_TRUE(fs::is_symlink(dir / "q/link"));
    EXPECT_EQ(testing::modificationDate(dir / "q/link"), quarantineMoment);
    EXPECT_NE(testing::modificationDate(dir / "target.txt"), quarantineMoment);
}

// What the scan walked had no link in it; a link there now was put in its way since.
TEST(MovingWithinAFileSystem, aLinkAnywhereAmongTheSourcesFoldersFailsTheMoveTouchingNothing) {
    for (const std::string swapped : {"Desktop/sub", "Desktop"}) {
        SCOPED_TRACE(swapped + " became a link");
        testing::TempDir dir("dustlyn-move");
        writeFile(dir / "Outside/sub/secret.txt", "outside");
        writeFile(dir / "Outside/secret.txt", "outside");
        testing::setModificationDate(dir / "Outside/sub/secret.txt", dateFromUnix(1'600'000'000));
        testing::setModificationDate(dir / "Outside/secret.txt", dateFromUnix(1'600'000'000));
        if (swapped != "Desktop")
            fs::create_directories(dir / "Desktop");
        fs::create_directory_symlink(dir / (swapped == "Desktop" ? "Outside" : "Outside/sub"),
                                     dir / swapped);
        EXPECT_EQ(moveError(dir / "Desktop/sub/secret.txt", dir / "Quarantine/secret.txt"),
                  std::strerror(ELOOP));
        EXPECT_FALSE(fs::exists(dir / "Quarantine/secret.txt"));
        for (const auto& file : {dir / "Outside/sub/secret.txt", dir / "Outside/secret.txt"}) {
            EXPECT_EQ(readFile(file), "outside");
            EXPECT_EQ(testing::modificationDate(file), dateFromUnix(1'600'000'000))
                << "not even dated";
        }
    }
}

// Within one pass the mover holds the folder it opened: a swap after that cannot lead it
// anywhere else. The next pass looks afresh.
TEST(MovingWithinAFileSystem, aPassKeepsToTheFoldersItOpened) {
    testing::TempDir dir("dustlyn-move");
    writeFile(dir / "Desktop/a.txt", "a");
    writeFile(dir / "Desktop/b.txt", "b");
    writeFile(dir / "Outside/b.txt", "outside");
    FileManagerMover mover;
    mover.beginPass();
    mover.move(dir / "Desktop/a.txt", dir / "Quarantine/a.txt", quarantineMoment);
    fs::rename(dir / "Desktop", dir / "Desktop-moved");
    fs::create_directory_symlink(dir / "Outside", dir / "Desktop");
    mover.move(dir / "Desktop/b.txt", dir / "Quarantine/b.txt", quarantineMoment);
    mover.endPass();
    EXPECT_EQ(readFile(dir / "Quarantine/b.txt"), "b");
    EXPECT_EQ(readFile(dir / "Outside/b.txt"), "outside");

    writeFile(dir / "Desktop-moved/c.txt", "c");
    EXPECT_THROW(mover.move(dir / "Desktop/b.txt", dir / "Quarantine/b2.txt", quarantineMoment),
                 FileError);
    EXPECT_EQ(readFile(dir / "Outside/b.txt"), "outside");
}

// The mover splits thousands of paths a sweep; the split must be the one the system makes.
TEST(MovingWithinAFileSystem, pathsSplitIntoFolderAndNameAsTheSystemReadsThem) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    };
    for (const Case& c :
         {Case{"/home/u/Desktop/a.txt", "/home/u/Desktop", "a.txt"}, Case{"/a.txt", "/", "a.txt"},
          Case{"a.txt", ".", "a.txt"}, Case{"/home/u/folder/", "/home/u", "folder"},
          Case{"/home//u//a.txt", "/home//u", "a.txt"}, Case{"/", "/", ""}}) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(folderText(c.path), c.folder);
        EXPECT_EQ(nameText(c.path), c.name);
        EXPECT_EQ(folderOf(c.path), fs::path(c.folder));
        EXPECT_EQ(nameOf(c.path), c.name);
    }
}

// Another program creates the chosen name after it was chosen and before the move.
TEST(MovingWithinAFileSystem, aNameTakenAfterItWasChosenIsNeverReplaced) {
    testing::TempDir dir("dustlyn-move");
    writeFile(dir / "Desktop/report.pdf", "mine");
    fs::create_directory(dir / "q");
    const fs::path chosen = Purger::uniqueDestination(dir / "q", dir / "Desktop/report.pdf");
    writeFile(chosen, "theirs");
    EXPECT_EQ(FileManagerMover().move(dir / "Desktop/report.pdf", chosen, quarantineMoment),
              dir / "q/report (1).pdf");
    EXPECT_EQ(readFile(chosen), "theirs");
    EXPECT_EQ(readFile(dir / "q/report (1).pdf"), "mine");
}

// The disk (TMPDIR or /var/tmp) and /dev/shm (a tmpfs) are two file systems.
class MovingAcrossFileSystems : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* parent : {"", "/var/tmp"}) {
            disk = parent[0] ? std::make_unique<testing::TempDir>(fs::path(parent), "dustlyn-disk")
                             : std::make_unique<testing::TempDir>("dustlyn-disk");
            if (fs::is_directory("/dev/shm") &&
                testing::deviceOf(disk->path()) != testing::deviceOf("/dev/shm"))
                break;
            disk.reset();
        }
        if (!disk)
            GTEST_SKIP() << "no folder on another file system than /dev/shm";
        memory = std::make_unique<testing::TempDir>(fs::path("/dev/shm"), "dustlyn-shm");
        ASSERT_NE(testing::deviceOf(disk->path()), testing::deviceOf(memory->path()));
    }

    bool diskHoldsUserAttributes() const {
        writeFile(disk->path() / "probe");
        const bool holds = testing::setAttribute(disk->path() / "probe", "user.probe", "1");
        fs::remove(disk->path() / "probe");
        return holds;
    }

    std::unique_ptr<testing::TempDir> disk;
    std::unique_ptr<testing::TempDir> memory;
};

TEST_F(MovingAcrossFileSystems, keepsContentsModeAttributesAndTheQuarantineDate) {
    const fs::path source = disk->path() / "Downloads/setup.deb";
    const std::string content = testing::patternContent(3 * 1024 * 1024 + 17);
    writeFile(source, content);
    fs::permissions(source, fs::perms(0640));
    const bool hasAttribute = testing::setAttribute(source, originAttribute, "https://x.test/a");
    const fs::path destination = memory->path() / "Quarantine/setup.deb";

    EXPECT_EQ(FileManagerMover().move(source, destination, quarantineMoment), destination);
    EXPECT_FALSE(fs::exists(fs::symlink_status(source)));
    EXPECT_EQ(readFile(destination), content);
    EXPECT_EQ(testing::modeOf(destination) & 07777, 0640u);
    EXPECT_EQ(testing::modificationDate(destination), quarantineMoment);
    if (hasAttribute) {
        EXPECT_EQ(testing::attribute(destination, originAttribute), "https://x.test/a");
    } else {
        std::cout << "[ NOTE ] the disk holds no user attributes; not compared\n";
    }
    EXPECT_TRUE(testing::hiddenNamesIn(destination.parent_path()).empty());
}

TEST_F(MovingAcrossFileSystems, restoringComesBackTheSameWay) {
    const fs::path quarantined = memory->path() / "Quarantine/notes.txt";
    writeFile(quarantined, "my notes");
    fs::permissions(quarantined, fs::perms(0600));
    const bool hasAttribute =
        testing::setAttribute(quarantined, originAttribute, "https://y.test/");
    testing::setModificationDate(quarantined, quarantineMoment);
    const Purger purger(std::make_shared<FileManagerMover>(), nullptr);
    const fs::path target = disk->path() / "Documents/notes.txt";

    EXPECT_EQ(purger.restore(quarantined, target), target);
    EXPECT_EQ(readFile(target), "my notes");
    EXPECT_EQ(testing::modeOf(target) & 07777, 0600u);
    EXPECT_EQ(testing::modificationDate(target), quarantineMoment);
    if (hasAttribute && diskHoldsUserAttributes()) {
        EXPECT_EQ(testing::attribute(target, originAttribute), "https://y.test/");
    }
    EXPECT_FALSE(fs::exists(quarantined));
}

TEST_F(MovingAcrossFileSystems, aLinkAmongTheSourcesFoldersFailsTheCopyToo) {
    writeFile(disk->path() / "Outside/secret.txt", "outside");
    fs::create_directory_symlink(disk->path() / "Outside", disk->path() / "Desktop");
    EXPECT_EQ(moveError(disk->path() / "Desktop/secret.txt", memory->path() / "Q/secret.txt"),
              std::strerror(ELOOP));
    EXPECT_EQ(readFile(disk->path() / "Outside/secret.txt"), "outside");
    EXPECT_TRUE(testing::namesIn(memory->path() / "Q").empty()) << "not even a partial copy";
}

TEST_F(MovingAcrossFileSystems, aNameTakenAfterItWasChosenIsNeverReplaced) {
    writeFile(disk->path() / "shot.png", "mine");
    const fs::path chosen = Purger::uniqueDestination(memory->path(), disk->path() / "shot.png");
    writeFile(chosen, "theirs");
    EXPECT_EQ(FileManagerMover().move(disk->path() / "shot.png", chosen, quarantineMoment),
              memory->path() / "shot (1).png");
    EXPECT_EQ(readFile(chosen), "theirs");
    EXPECT_EQ(readFile(memory->path() / "shot (1).png"), "mine");
    EXPECT_TRUE(testing::hiddenNamesIn(memory->path()).empty());
}

TEST_F(MovingAcrossFileSystems, aFolderIsCopiedWholeWithLinksAsLinksThenRemoved) {
    const fs::path album = disk->path() / "album";
    writeFile(album / "one.jpg", "1");
    writeFile(album / "deeper/two.jpg", "2");
    fs::permissions(album / "deeper", fs::perms(0750));
    fs::create_symlink("one.jpg", album / "alias");
    testing::setModificationDate(album / "deeper/two.jpg", dateFromUnix(1'500'000'000));
    const fs::path destination = memory->path() / "q/album";

    EXPECT_EQ(FileManagerMover().move(album, destination, quarantineMoment), destination);
    EXPECT_FALSE(fs::exists(album));
    EXPECT_EQ(readFile(destination / "deeper/two.jpg"), "2");
    EXPECT_EQ(testing::modificationDate(destination / "deeper/two.jpg"),
              dateFromUnix(1'500'000'000));
    EXPECT_EQ(testing::modeOf(destination / "deeper") & 07777, 0750u);
    ASSERT_TRUE(fs::is_symlink(destination / "alias"));
    EXPECT_EQ(fs::read_symlink(destination / "alias"), fs::path("one.jpg"));
    EXPECT_EQ(testing::modificationDate(destination), quarantineMoment);
    EXPECT_EQ(testing::namesIn(memory->path() / "q"), std::vector<std::string>{"album"});
}

TEST_F(MovingAcrossFileSystems, aSourceThatCannotBeRemovedLeavesNoCopyBehind) {
    const fs::path source = disk->path() / "locked/a.txt";
    writeFile(source, "a");
    // An ordinary user cannot remove from a read-only folder; root not even that, so root
    // gets an immutable file instead.
    const bool asRoot = geteuid() == 0;
    if (asRoot && !testing::setImmutable(source, true))
        GTEST_SKIP() << "cannot make a file immutable here";
    if (!asRoot)
        fs::permissions(disk->path() / "locked", fs::perms(0555));
    const std::string error = moveError(source, memory->path() / "a.txt");
    if (asRoot)
        testing::setImmutable(source, false);
    EXPECT_EQ(error, asRoot ? "Operation not permitted" : "Permission denied");
    EXPECT_EQ(readFile(source), "a");
    EXPECT_TRUE(testing::namesIn(memory->path()).empty());
}

TEST(MovingOntoAFileSystemWithoutAttributes, dropsOnlyTheUserAttributesItCannotHold) {
    testing::TempDir dir("dustlyn-noattr");
    fs::create_directory(dir / "ramfs");
    std::string error;
    // ramfs keeps no extended attributes at all.
    const auto mount = testing::TestMount::tmpfs(dir / "ramfs", "", error, "ramfs");
    if (!mount)
        GTEST_SKIP() << "cannot mount a ramfs (needs root): " << error;
    writeFile(dir / "ramfs/probe");
    if (testing::setAttribute(dir / "ramfs/probe", "user.probe", "1"))
        GTEST_SKIP() << "this ramfs holds user attributes";
    writeFile(dir / "download.zip", "zip");
    if (!testing::setAttribute(dir / "download.zip", originAttribute, "https://z.test/"))
        GTEST_SKIP() << "the disk holds no user attributes";
    EXPECT_EQ(
        FileManagerMover().move(dir / "download.zip", dir / "ramfs/download.zip", quarantineMoment),
        dir / "ramfs/download.zip");
    EXPECT_EQ(readFile(dir / "ramfs/download.zip"), "zip");
    EXPECT_FALSE(fs::exists(dir / "download.zip"));
}

// A file system that fills up halfway through the copy.
class MovingOntoAFullFileSystem : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir / "small");
        std::string error;
        mount = testing::TestMount::tmpfs(dir / "small", "size=1m", error);
        if (!mount)
            GTEST_SKIP() << "cannot mount a small tmpfs (needs root): " << error;
    }

    testing::TempDir dir{"dustlyn-full"};
    std::unique_ptr<testing::TestMount> mount;
};

TEST_F(MovingOntoAFullFileSystem, failsWithNoSpaceAndLeavesTheSourceWholeAndNoPartialCopy) {
    const std::string content = testing::patternContent(4 * 1024 * 1024, 7);
    writeFile(dir / "big.iso", content);
    EXPECT_EQ(moveError(dir / "big.iso", dir / "small/big.iso"), "No space left on device");
    EXPECT_EQ(readFile(dir / "big.iso"), content);
    EXPECT_EQ(testing::namesIn(dir / "small"), std::vector<std::string>{});
}

} // namespace
} // namespace dustlyn

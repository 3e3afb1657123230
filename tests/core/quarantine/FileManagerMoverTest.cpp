#include "core/quarantine/FileManagerMover.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/Purger.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstring>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::modificationDate;
using testing::readFile;
using testing::writeFile;

const Date quarantineMoment = dateFromUnix(1'750'000'123, 456'000'000);
const Date someDate = dateFromUnix(1'600'000'000);
const char* originAttribute = "user.xdg.origin.url";

fs::path move(const fs::path& source, const fs::path& destination) {
    return FileManagerMover().move(source, destination, quarantineMoment);
}

std::string moveError(const fs::path& source, const fs::path& destination) {
    try {
        move(source, destination);
    } catch (const FileError& error) {
        return error.what();
    }
    return "no error";
}

// A file, a folder with everything in it, a link as the link itself; a restore (no date)
// keeps the date the file had.
TEST(MovingWithinAFileSystem, putsTheFileThereDatedAndCreatesTheQuarantineFolder) {
    testing::TempDir dir("dustlyn-move");
    writeFile(dir / "Desktop/shot.png", "pixels");
    const fs::path destination = dir / "Support/Quarantine/shot.png";
    EXPECT_EQ(move(dir / "Desktop/shot.png", destination), destination);
    EXPECT_EQ(readFile(destination), "pixels");
    EXPECT_EQ(modificationDate(destination), quarantineMoment);
    EXPECT_FALSE(fs::exists(dir / "Desktop/shot.png"));
    testing::setModificationDate(destination, someDate);
    FileManagerMover().move(destination, dir / "back/shot.png", std::nullopt);
    EXPECT_EQ(modificationDate(dir / "back/shot.png"), someDate);

    writeFile(dir / "Downloads/album/sub/two.jpg", "2");
    move(dir / "Downloads/album", dir / "q/album");
    EXPECT_EQ(readFile(dir / "q/album/sub/two.jpg"), "2");
    EXPECT_EQ(modificationDate(dir / "q/album"), quarantineMoment);
    writeFile(dir / "target.txt", "kept");
    fs::create_symlink(dir / "target.txt", dir / "link");
    move(dir / "link", dir / "q/link");
    EXPECT_TRUE(fs::is_symlink(dir / "q/link"));
    EXPECT_NE(modificationDate(dir / "target.txt"), quarantineMoment);

    EXPECT_EQ(moveError(dir / "gone.png", dir / "q/gone.png"), "No such file or directory");
    EXPECT_EQ(testing::namesIn(dir / "q"), (std::vector<std::string>{"album", "link"}));
}

// What the scan walked had no link in it; a link there now was put in its way since.
TEST(MovingWithinAFileSystem, aLinkAnywhereAmongTheSourcesFoldersFailsTheMoveTouchingNothing) {
    for (const std::string swapped : {"Desktop/sub", "Desktop"}) {
        SCOPED_TRACE(swapped + " became a link");
        testing::TempDir dir("dustlyn-move");
        for (const auto& file : {dir / "Outside/sub/secret.txt", dir / "Outside/secret.txt"}) {
            writeFile(file, "outside");
            testing::setModificationDate(file, someDate);
        }
        fs::create_directories(dir / "Desktop");
        fs::remove(dir / swapped);
        fs::create_directory_symlink(dir / (swapped == "Desktop" ? "Outside" : "Outside/sub"),
                                     dir / swapped);
        EXPECT_EQ(moveError(dir / "Desktop/sub/secret.txt", dir / "Quarantine/secret.txt"),
                  std::strerror(ELOOP));
        EXPECT_FALSE(fs::exists(dir / "Quarantine/secret.txt"));
        for (const auto& file : {dir / "Outside/sub/secret.txt", dir / "Outside/secret.txt"})
            EXPECT_EQ(modificationDate(file), someDate) << "not even dated";
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
    EXPECT_THROW(mover.move(dir / "Desktop/b.txt", dir / "Quarantine/b2.txt", quarantineMoment),
                 FileError);
    EXPECT_EQ(readFile(dir / "Outside/b.txt"), "outside");
}

// The mover splits thousands of paths a sweep; the split must be the one the system makes.
TEST(MovingWithinAFileSystem, pathsSplitIntoFolderAndNameAsTheSystemReadsThem) {
    for (const auto& [path, folder, name] :
         std::vector<std::array<const char*, 3>>{{"/a.txt", "/", "a.txt"},
                                                 {"a.txt", ".", "a.txt"},
                                                 {"/home/u/folder/", "/home/u", "folder"},
                                                 {"/home//u//a.txt", "/home//u", "a.txt"}}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(folderText(path), folder);
        EXPECT_EQ(nameOf(path), name);
    }
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
    }

    std::unique_ptr<testing::TempDir> disk;
    std::unique_ptr<testing::TempDir> memory;
};

TEST_F(MovingAcrossFileSystems, keepsContentsModeAttributesAndTheQuarantineDateAndComesBack) {
    const fs::path source = disk->path() / "Downloads/setup.deb";
    const std::string content = testing::patternContent(3 * 1024 * 1024 + 17);
    writeFile(source, content);
    fs::permissions(source, fs::perms(0640));
    std::string refusal;
    const bool hasAttribute =
        testing::setAttribute(source, originAttribute, "https://x.test/a", refusal);
    const fs::path destination = memory->path() / "Quarantine/setup.deb";

    EXPECT_EQ(move(source, destination), destination);
    EXPECT_FALSE(fs::exists(fs::symlink_status(source)));
    EXPECT_EQ(readFile(destination), content);
    EXPECT_EQ(testing::modeOf(destination) & 07777, 0640u);
    EXPECT_EQ(modificationDate(destination), quarantineMoment);
    if (hasAttribute) {
        EXPECT_EQ(testing::attribute(destination, originAttribute), "https://x.test/a");
    }
    EXPECT_EQ(testing::namesIn(destination.parent_path()), std::vector<std::string>{"setup.deb"});

    fs::permissions(destination, fs::perms(0600));
    const Purger purger(std::make_shared<FileManagerMover>(), nullptr);
    EXPECT_EQ(purger.restore(destination, source), source);
    EXPECT_EQ(readFile(source), content);
    EXPECT_EQ(testing::modeOf(source) & 07777, 0600u);
    EXPECT_EQ(modificationDate(source), quarantineMoment);
    EXPECT_FALSE(fs::exists(destination));
}

// Another program creates the chosen name after it was chosen and before the move, on the
// same file system or across.
TEST_F(MovingAcrossFileSystems, aNameTakenAfterItWasChosenIsNeverReplaced) {
    for (const auto* folder : {disk.get(), memory.get()}) {
        SCOPED_TRACE(folder->path().native());
        writeFile(disk->path() / "Desktop/shot.png", "mine");
        const fs::path chosen = Purger::uniqueDestination(folder->path() / "q", "/d/shot.png");
        writeFile(chosen, "theirs");
        EXPECT_EQ(move(disk->path() / "Desktop/shot.png", chosen),
                  folder->path() / "q/shot (1).png");
        EXPECT_EQ(readFile(chosen), "theirs");
        EXPECT_EQ(readFile(folder->path() / "q/shot (1).png"), "mine");
        EXPECT_EQ(testing::namesIn(folder->path() / "q").size(), 2u);
    }
    fs::create_directory_symlink(disk->path() / "q", disk->path() / "Link");
    EXPECT_EQ(moveError(disk->path() / "Link/shot (1).png", memory->path() / "Q/secret.txt"),
              std::strerror(ELOOP));
    EXPECT_TRUE(testing::namesIn(memory->path() / "Q").empty()) << "not even a partial copy";
}

TEST_F(MovingAcrossFileSystems, aFolderIsCopiedWholeWithLinksAsLinksThenRemoved) {
    const fs::path album = disk->path() / "album";
    writeFile(album / "one.jpg", "1");
    writeFile(album / "deeper/two.jpg", "2");
    fs::permissions(album / "deeper", fs::perms(0750));
    fs::create_symlink("one.jpg", album / "alias");
    testing::setModificationDate(album / "deeper/two.jpg", someDate);
    const fs::path destination = memory->path() / "q/album";

    EXPECT_EQ(move(album, destination), destination);
    EXPECT_FALSE(fs::exists(album));
    EXPECT_EQ(readFile(destination / "deeper/two.jpg"), "2");
    EXPECT_EQ(modificationDate(destination / "deeper/two.jpg"), someDate);
    EXPECT_EQ(testing::modeOf(destination / "deeper") & 07777, 0750u);
    EXPECT_EQ(fs::read_symlink(destination / "alias"), fs::path("one.jpg"));
    EXPECT_EQ(modificationDate(destination), quarantineMoment);
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

// Small file systems mounted by the test (as root): one that fills up halfway through the
// copy, and one without extended attributes (ramfs), which only loses the user attributes.
TEST(MovingOntoMountedFileSystems, aFullOneFailsWholeAndOneWithoutAttributesTakesTheFile) {
    testing::TempDir dir("dustlyn-full");
    fs::create_directories(dir / "small");
    fs::create_directories(dir / "ramfs");
    std::string error;
    const auto small = testing::TestMount::tmpfs(dir / "small", "size=1m", error);
    const auto ramfs = testing::TestMount::tmpfs(dir / "ramfs", "", error, "ramfs");
    if (!small || !ramfs)
        GTEST_SKIP() << "cannot mount a small tmpfs and a ramfs (needs root): " << error;
    const std::string content = testing::patternContent(4 * 1024 * 1024, 7);
    writeFile(dir / "big.iso", content);
    EXPECT_EQ(moveError(dir / "big.iso", dir / "small/big.iso"), "No space left on device");
    EXPECT_EQ(readFile(dir / "big.iso"), content);
    EXPECT_EQ(testing::namesIn(dir / "small"), std::vector<std::string>{});

    writeFile(dir / "download.zip", "zip");
    if (!testing::setAttribute(dir / "download.zip", originAttribute, "https://z.test/", error))
        GTEST_SKIP() << "the disk holds no user attributes: " << error;
    EXPECT_EQ(move(dir / "download.zip", dir / "ramfs/download.zip"), dir / "ramfs/download.zip");
    EXPECT_EQ(readFile(dir / "ramfs/download.zip"), "zip");
}

} // namespace
} // namespace dustlyn

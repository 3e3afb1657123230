#include "core/quarantine/FileManagerMover.h"
#include "core/base/FileError.h"
#include "core/quarantine/Purger.h"
#include "core/quarantine/TreeCopy.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"
#include "tests/core/support/TracedRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <random>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::modificationDate;
using testing::readFile;
using testing::writeFile;

const Date quarantineMoment = dateFromUnix(1'750'000'123, 456'000'000);
const Date someDate = dateFromUnix(1'600'000'000);
const char* originAttribute = "user.xdg.origin.url";

// A pseudo-random but reproducible content of `size` bytes.
std::string patternContent(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string content(size, '\0');
    for (auto& c : content)
        c = static_cast<char>(random() & 0xff);
    return content;
}

// An extended attribute's value, nothing when it is not there.
std::optional<std::string> attribute(const fs::path& file, const std::string& name) {
    char buffer[4096];
    const ssize_t size = ::lgetxattr(file.c_str(), name.c_str(), buffer, sizeof buffer);
    if (size < 0)
        return std::nullopt;
    return std::string(buffer, std::size_t(size));
}

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
    const std::string content = patternContent(3 * 1024 * 1024 + 17, 1);
    writeFile(source, content);
    fs::permissions(source, fs::perms(0640));
    std::string refusal;
    const bool hasAttribute =
        testing::setAttribute(source, originAttribute, "https://x.test/a", refusal);
    const fs::path destination = memory->path() / "Quarantine/setup.deb";

    EXPECT_EQ(move(source, destination), destination);
    EXPECT_FALSE(fs::exists(fs::symlink_status(source)));
    EXPECT_EQ(readFile(destination), content);
    EXPECT_EQ(fs::symlink_status(destination).permissions(), fs::perms(0640));
    EXPECT_EQ(modificationDate(destination), quarantineMoment);
    if (hasAttribute) {
        EXPECT_EQ(attribute(destination, originAttribute), "https://x.test/a");
    }
    EXPECT_EQ(testing::namesIn(destination.parent_path()), std::vector<std::string>{"setup.deb"});

    fs::permissions(destination, fs::perms(0600));
    const Purger purger(std::make_shared<FileManagerMover>(), nullptr);
    EXPECT_EQ(purger.restore(destination, source), source);
    EXPECT_EQ(readFile(source), content);
    EXPECT_EQ(fs::symlink_status(source).permissions(), fs::perms(0600));
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
    EXPECT_EQ(fs::symlink_status(destination / "deeper").permissions(), fs::perms(0750));
    EXPECT_EQ(fs::read_symlink(destination / "alias"), fs::path("one.jpg"));
    EXPECT_EQ(modificationDate(destination), quarantineMoment);
    EXPECT_EQ(testing::namesIn(memory->path() / "q"), std::vector<std::string>{"album"});
}

// Small file systems mounted by the test (as root): one that fills up halfway through the
// copy, and one without extended attributes (ramfs), which only loses the user attributes.
TEST(MovingOntoMountedFileSystems, aFullOneFailsWholeAndOneWithoutAttributesTakesTheFile) {
    testing::TempDir dir("dustlyn-full");
    fs::create_directories(dir / "small");
    fs::create_directories(dir / "ramfs");
    std::string error;
    const auto small = testing::TestMount::mount("tmpfs", dir / "small", error, "size=1m");
    const auto ramfs = testing::TestMount::mount("ramfs", dir / "ramfs", error);
    if (!small || !ramfs)
        GTEST_SKIP() << "cannot mount a small tmpfs and a ramfs (needs root): " << error;
    const std::string content = patternContent(4 * 1024 * 1024, 7);
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

// Faults injected into the move's system calls with strace: whatever fails or is killed, the
// file exists exactly once with its exact contents, at its source or at its destination,
// and no visible partial copy is ever left.
enum class Ending { moved, failed, killed };
// Where the whole file is afterwards. Both places only in the windows after the copy was
// placed under its final name and before the source was removed.
enum class Where { source, destination, both };

struct Injection {
    const char* behaviour;
    std::vector<std::string> inject; // each becomes "-e inject=..."
    bool acrossFileSystems; // a real second file system (/dev/shm) rather than injected EXDEV
    Ending ending;
    std::string error; // the probe's message when it fails
    Where where;
};

Injection moved(const char* behaviour, std::vector<std::string> inject, bool across = false) {
    return {behaviour, std::move(inject), across, Ending::moved, "", Where::destination};
}
Injection failed(const char* behaviour, std::vector<std::string> inject, std::string error) {
    return {behaviour, std::move(inject), false, Ending::failed, std::move(error), Where::source};
}
Injection killed(const char* behaviour, std::vector<std::string> inject, bool across = false,
                 Where where = Where::source) {
    return {behaviour, std::move(inject), across, Ending::killed, "", where};
}

// Forces the copy path on one file system: only the first rename reports another device.
const std::string firstRenameAcrossDevices = "renameat2:error=EXDEV:when=1";
const std::string noKernelCopy = "copy_file_range,sendfile:error=ENOSYS";

const std::vector<Injection>& injections() {
    static const std::vector<Injection> table = {
        moved("a rename across devices falls back to a complete copy", {firstRenameAcrossDevices}),
        failed("a copy that can never be placed leaves only the source", {"renameat2:error=EXDEV"},
               "Invalid cross-device link"),
        moved("a file system refusing no-replace renames gets link and unlink",
              {"renameat2:error=EINVAL"}),
        failed("a failed flush of the copy leaves only the source",
               {firstRenameAcrossDevices, "fsync:error=EIO:when=1"}, "Input/output error"),
        failed("a failed flush of the folder takes the placed copy back",
               {firstRenameAcrossDevices, "fsync:error=EIO:when=2"}, "Input/output error"),
        failed("a full disk at the second write leaves only the source",
               {firstRenameAcrossDevices, noKernelCopy, "write:error=ENOSPC:when=2"},
               "No space left on device"),
        failed("a failed date leaves the file where it was", {"utimensat:error=EIO"},
               "Input/output error"),
        {"a source that cannot be removed takes the placed copy back",
         {"unlink,unlinkat:error=EACCES:when=1"},
         true,
         Ending::failed,
         "Permission denied",
         Where::source},
        killed("killed in the middle of the copy",
               {firstRenameAcrossDevices, noKernelCopy, "write:signal=SIGKILL:when=2"}),
        killed("killed during the copy to another file system",
               {"sendfile,copy_file_range:signal=SIGKILL:when=2"}, true),
        killed("killed at the rename within one file system", {"renameat2:signal=SIGKILL:when=1"}),
        killed("killed at the rename that places the copy", {"renameat2:signal=SIGKILL:when=2"},
               true),
        // The two windows in which a complete copy may stand beside the source: the copy is
        // placed under its final name and the source is not yet removed.
        killed("killed after placing the copy, at the folder's flush",
               {"fsync:signal=SIGKILL:when=2"}, true, Where::both),
        killed("killed after placing the copy, at the source's removal",
               {"unlink,unlinkat:signal=SIGKILL:when=1"}, true, Where::both),
        killed("killed between link and unlink where no-replace renames are refused",
               {"renameat2:error=EINVAL", "unlink,unlinkat:signal=SIGKILL:when=1"}, false,
               Where::both),
    };
    return table;
}

class MoveFaultInjection : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::straceWorks(work.path()))
            GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
        if (fs::is_directory("/dev/shm") &&
            testing::deviceOf(work.path()) != testing::deviceOf("/dev/shm"))
            memory = std::make_unique<testing::TempDir>(fs::path("/dev/shm"), "dustlyn-fault");
    }

    testing::TempDir work{"dustlyn-fault"};
    std::unique_ptr<testing::TempDir> memory;
    const std::string content = patternContent(3 * 1024 * 1024 + 17, 3);
};

// Every visible file in `folder` with its contents.
std::vector<std::pair<std::string, std::string>> visibleFiles(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& name : testing::namesIn(folder))
        if (!name.starts_with('.'))
            files.emplace_back(name, testing::readFile(folder / name));
    return files;
}

TEST_F(MoveFaultInjection, theFileIsNeverLostTruncatedOrVisiblyHalfCopied) {
    for (const auto& injection : injections()) {
        SCOPED_TRACE(injection.behaviour);
        if (injection.acrossFileSystems && !memory) {
            std::cout << "[ SKIP ] " << injection.behaviour
                      << ": /dev/shm is no other file system\n";
            continue;
        }
        const fs::path base = (injection.acrossFileSystems ? memory->path() : work.path()) /
                              std::to_string(&injection - injections().data());
        const fs::path sourceFolder = work / ("source-" + base.filename().native());
        const fs::path destination = base / "Quarantine";
        fs::create_directories(destination);
        testing::writeFile(sourceFolder / "setup.deb", content);

        std::vector<std::string> command = testing::straceInjecting(injection.inject);
        command.insert(command.end(), {DUSTLYN_MOVE_PROBE, (sourceFolder / "setup.deb").native(),
                                       destination.native()});
        const testing::ChildRun run = testing::runChild(command, work.path());

        EXPECT_EQ(run.killed(), injection.ending == Ending::killed) << run.status << run.err;
        if (injection.ending != Ending::killed) {
            EXPECT_TRUE(run.exited(injection.ending == Ending::failed)) << run.status;
            EXPECT_EQ(run.err, injection.error);
        }
        if (injection.ending == Ending::moved) {
            EXPECT_EQ(run.out, (destination / "setup.deb").native() + "\n");
        }

        const auto atSource = visibleFiles(sourceFolder);
        const auto atDestination = visibleFiles(destination);
        for (const auto& files : {atSource, atDestination})
            for (const auto& [name, bytes] : files)
                EXPECT_TRUE(bytes == content) << name << " is not the whole file: " << bytes.size();
        // Where it is (never lost, never twice but in the two windows) shows that the fault
        // struck the step it was meant for.
        EXPECT_EQ(atSource.size(), injection.where == Where::destination ? 0u : 1u);
        EXPECT_EQ(atDestination.size(), injection.where == Where::source ? 0u : 1u);

        // Only a killed copy may leave its hidden partial file, and no listing ever shows it.
        for (const auto& name : testing::namesIn(destination)) {
            if (name.starts_with('.')) {
                EXPECT_EQ(injection.ending, Ending::killed) << name;
                EXPECT_TRUE(name.starts_with(".dustlyn-partial-")) << name;
            }
        }
    }
}

} // namespace
} // namespace dustlyn

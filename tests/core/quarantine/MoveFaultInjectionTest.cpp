// Faults injected into the move's system calls with strace: whatever fails or is killed, the
// file exists exactly once with its exact contents, at its source or at its destination,
// and no visible partial copy is ever left.
#include "core/quarantine/QuarantineScanner.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"
#include "tests/core/support/TracedRun.h"

#include <gtest/gtest.h>

#include <iostream>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

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
        moved("a real second file system is copied to", {}, true),
        failed("a copy that can never be placed leaves only the source", {"renameat2:error=EXDEV"},
               "Invalid cross-device link"),
        moved("a file system refusing no-replace renames gets link and unlink",
              {"renameat2:error=EINVAL"}),
        moved("a kernel without renameat2 gets link and unlink", {"renameat2:error=ENOSYS"}),
        failed("a failed flush of the copy leaves only the source",
               {firstRenameAcrossDevices, "fsync:error=EIO:when=1"}, "Input/output error"),
        failed("a failed flush of the folder takes the placed copy back",
               {firstRenameAcrossDevices, "fsync:error=EIO:when=2"}, "Input/output error"),
        failed("a full disk at the second write leaves only the source",
               {firstRenameAcrossDevices, noKernelCopy, "write:error=ENOSPC:when=2"},
               "No space left on device"),
        failed("a failed date leaves the file where it was", {"utimensat:error=EIO"},
               "Input/output error"),
        killed("killed at the first write of the copy",
               {firstRenameAcrossDevices, noKernelCopy, "write:signal=SIGKILL:when=1"}),
        killed("killed at the second write of the copy",
               {firstRenameAcrossDevices, noKernelCopy, "write:signal=SIGKILL:when=2"}),
        killed("killed during the kernel's copy",
               {firstRenameAcrossDevices, "copy_file_range:signal=SIGKILL:when=2"}),
        killed("killed during the copy to another file system",
               {"sendfile,copy_file_range:signal=SIGKILL:when=2"}, true),
        killed("killed at the rename within one file system", {"renameat2:signal=SIGKILL:when=1"}),
        killed("killed while dating, before the rename", {"utimensat:signal=SIGKILL"}),
        killed("killed at the rename that places the copy", {"renameat2:signal=SIGKILL:when=2"},
               true),
        killed("killed at the link that places a file where no-replace renames are refused",
               {"renameat2:error=EINVAL", "link,linkat:signal=SIGKILL:when=1"}),
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

    void check(const Injection& injection);

    testing::TempDir work{"dustlyn-fault"};
    std::unique_ptr<testing::TempDir> memory;
    const std::string content = testing::patternContent(3 * 1024 * 1024 + 17, 3);
};

// Every visible file in `folder` with its contents.
std::vector<std::pair<std::string, std::string>> visibleFiles(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& name : testing::namesIn(folder))
        if (!name.starts_with('.'))
            files.emplace_back(name, testing::readFile(folder / name));
    return files;
}

void MoveFaultInjection::check(const Injection& injection) {
    const fs::path base = (injection.acrossFileSystems ? memory->path() : work.path()) /
                          std::to_string(&injection - injections().data());
    const fs::path sourceFolder = work / ("source-" + base.filename().native());
    const fs::path destination = base / "Quarantine";
    const fs::path scratch = work / ("scratch-" + base.filename().native());
    fs::create_directories(scratch);
    fs::create_directories(destination);
    testing::writeFile(sourceFolder / "setup.deb", content);

    std::vector<std::string> command = testing::straceInjecting(injection.inject);
    command.insert(command.end(), {DUSTLYN_MOVE_PROBE, (sourceFolder / "setup.deb").native(),
                                   destination.native()});
    const testing::ChildRun run = testing::runChild(command, scratch);

    switch (injection.ending) {
    case Ending::moved:
        EXPECT_TRUE(run.exited(0)) << run.err;
        EXPECT_EQ(run.out, (destination / "setup.deb").native() + "\n");
        break;
    case Ending::failed:
        EXPECT_TRUE(run.exited(1)) << run.status;
        EXPECT_EQ(run.err, injection.error);
        break;
    case Ending::killed:
        EXPECT_TRUE(run.killed()) << "status " << run.status << ": " << run.err;
        break;
    }

    const auto atSource = visibleFiles(sourceFolder);
    const auto atDestination = visibleFiles(destination);
    std::size_t whole = 0;
    for (const auto& files : {atSource, atDestination})
        for (const auto& [name, bytes] : files) {
            EXPECT_EQ(bytes.size(), content.size()) << name << " is not the whole file";
            EXPECT_TRUE(bytes == content) << name << " has other contents";
            whole += bytes == content ? 1 : 0;
        }
    EXPECT_GE(whole, 1u) << "the file was lost";
    EXPECT_LE(whole, injection.where == Where::both ? 2u : 1u) << "the file exists twice";
    // Where it is shows that the fault struck the step it was meant for.
    EXPECT_EQ(atSource.size(), injection.where == Where::destination ? 0u : 1u);
    EXPECT_EQ(atDestination.size(), injection.where == Where::source ? 0u : 1u);

    // Only a killed copy may leave its hidden partial file, and no listing ever shows it.
    const auto hidden = testing::hiddenNamesIn(destination);
    if (injection.ending != Ending::killed) {
        EXPECT_TRUE(hidden.empty()) << hidden.front();
    }
    for (const auto& name : hidden)
        EXPECT_TRUE(name.starts_with(".dustlyn-partial-")) << name;
    const QuarantineScanner scanner;
    const Date now = std::chrono::system_clock::now();
    EXPECT_EQ(scanner.scanAll(destination, 0, now).size(), atDestination.size());
    EXPECT_EQ(scanner.scanExpired(destination, 0, dateAfter(now, 3600)).size(),
              atDestination.size());
}

TEST_F(MoveFaultInjection, theFileIsNeverLostTruncatedOrVisiblyHalfCopied) {
    for (const auto& injection : injections()) {
        SCOPED_TRACE(injection.behaviour);
        if (injection.acrossFileSystems && !memory) {
            std::cout << "[ SKIP ] " << injection.behaviour
                      << ": /dev/shm is no other file system\n";
            continue;
        }
        check(injection);
    }
}

} // namespace
} // namespace dustlyn

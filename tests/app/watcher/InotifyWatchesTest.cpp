#include "app/watcher/InotifyWatches.h"

#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

// Events of a file written in one go: created, modified, closed after writing.
constexpr int kEventsPerFile = 3;

int maxQueuedEvents() {
    std::ifstream in("/proc/sys/fs/inotify/max_queued_events");
    int limit = 16384;
    in >> limit;
    return limit;
}

void createFiles(const fs::path& folder, int count) {
    for (int i = 0; i < count; ++i) {
        const fs::path file = folder / ("f" + std::to_string(i));
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << file;
        ASSERT_EQ(::write(fd, "x", 1), 1);
        ::close(fd);
    }
}

bool readable(const InotifyWatches& watches) {
    pollfd fd{watches.fd(), POLLIN, 0};
    return ::poll(&fd, 1, 0) == 1;
}

WatcherStatus statusOf(const InotifyWatches& watches) {
    WatcherStatus status;
    watches.fillStatus(status);
    return status;
}

TEST(InotifyWatches, AnOverflowingQueueCountsAsAChange) {
    const TempDir memory = fs::is_directory("/dev/shm") ? TempDir("/dev/shm", "dustlyn-overflow")
                                                        : TempDir("dustlyn-overflow");
    InotifyWatches watches;
    watches.watchExactly({memory.path()});
    // Nobody reads while the files appear, so the kernel's queue must overflow.
    createFiles(memory.path(), maxQueuedEvents() / kEventsPerFile + 100);

    InotifyWatches::Events events;
    while (readable(watches)) {
        const InotifyWatches::Events more = watches.readEvents();
        events.changed = events.changed || more.changed;
        events.statusChanged = events.statusChanged || more.statusChanged;
    }
    EXPECT_TRUE(events.changed);
    EXPECT_TRUE(events.statusChanged);
    EXPECT_EQ(statusOf(watches).queueOverflows, 1u);
}

TEST(InotifyWatches, EventsQueuedBeforeTheWatchWasRemovedAreIgnored) {
    const TempDir temp;
    InotifyWatches watches;
    watches.watchExactly({temp.path()});
    writeFile(temp / "a");
    watches.clear();

    ASSERT_TRUE(readable(watches)); // the write's events and the removal's IN_IGNORED
    EXPECT_EQ(watches.readEvents(), InotifyWatches::Events{});
    WatcherStatus nothingWatched;
    nothingWatched.watchesAdded = 1;
    EXPECT_EQ(statusOf(watches), nothingWatched);
}

TEST(InotifyWatches, TwoPathsOfOneFolderShareAWatchUntilBothAreLeftOut) {
    const TempDir temp;
    const fs::path real = temp / "real";
    const fs::path link = temp / "link";
    fs::create_directory(real);
    fs::create_directory_symlink(real, link);
    InotifyWatches watches;
    watches.watchExactly({real, link});
    watches.watchExactly({link});

    writeFile(real / "a");
    EXPECT_TRUE(watches.readEvents().changed);
    EXPECT_EQ(statusOf(watches).watched, std::vector<fs::path>{link});
}

} // namespace
} // namespace dustlyn

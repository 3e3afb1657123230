// The watcher's kernel side, InotifyWatches, read at once; and the watcher itself, whose
// thread, debounce and deliveries need the event loop.
#include "app/watcher/FolderWatcher.h"
#include "app/watcher/InotifyWatches.h"

#include "tests/app/support/UiTestApp.h"
#include "tests/core/support/TempDir.h"

#include <QObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::TempDir;
using testing::writeFile;

// One event: a short quiet period keeps the tests fast.
constexpr double kQuick = 0.05;
// Several events written back to back: long enough that a busy machine does not split them.
constexpr double kBurst = 0.2;

std::chrono::milliseconds millis(double seconds) {
    return std::chrono::milliseconds(int(seconds * 1000));
}

// The watches the kernel holds for this process, read from its inotify descriptors.
int kernelWatchCount() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) != "anon_inode:inotify")
            continue;
        std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
        for (std::string line; std::getline(info, line);)
            count += line.starts_with("inotify wd:") ? 1 : 0;
    }
    return count;
}

void openForWritingAndClose(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::close(fd);
}

// Events of a file written in one go: created, modified, closed after writing.
constexpr int kEventsPerFile = 3;

int maxQueuedEvents() {
    std::ifstream in("/proc/sys/fs/inotify/max_queued_events");
    int limit = 16384;
    in >> limit;
    return limit;
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
    for (int i = 0; i < maxQueuedEvents() / kEventsPerFile + 100; ++i)
        writeFile(memory / ("f" + std::to_string(i)));

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

// Whether what is queued holds a change; nothing queued is none.
bool changed(InotifyWatches& watches) {
    return readable(watches) && watches.readEvents().changed;
}

// A change of the folder's own entries counts; what happens inside its files or below it
// does not.
TEST(InotifyWatches, OnlyChangesToTheFolderEntriesCount) {
    const struct {
        std::string name;
        std::function<void(const fs::path& watched, const fs::path& outside)> change;
        bool triggers;
    } cases[] = {
        {"a new file", [](auto& w, auto&) { writeFile(w / "new.png"); }, true},
        {"a deleted file", [](auto& w, auto&) { fs::remove(w / "f"); }, true},
        {"a file moved in", [](auto& w, auto& o) { fs::rename(o / "in", w / "in"); }, true},
        {"a file moved out", [](auto& w, auto& o) { fs::rename(w / "f", o / "out"); }, true},
        {"a file opened for writing and closed",
         [](auto& w, auto&) { openForWritingAndClose(w / "f"); }, true},
        {"a new file in a sub-folder", [](auto& w, auto&) { writeFile(w / "sub/inner.png"); },
         false},
        {"a file only read",
         [](auto& w, auto&) { EXPECT_EQ(testing::readFile(w / "f"), "content"); }, false},
        {"a file's permissions changed",
         [](auto& w, auto&) { fs::permissions(w / "f", fs::perms::owner_read); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir root;
        const fs::path watched = root / "watched";
        const fs::path outside = root / "outside";
        writeFile(watched / "f", "content");
        fs::create_directory(watched / "sub");
        writeFile(outside / "in");
        InotifyWatches watches;
        watches.watchExactly({watched});
        ASSERT_EQ(statusOf(watches).watched, std::vector<fs::path>{watched});
        c.change(watched, outside);
        EXPECT_EQ(changed(watches), c.triggers);
    }
}

// A folder that does not exist yet, or a file in place of one, is not watched, and says why;
// so is one deleted while watched. Each is watched by the next call once it exists.
TEST(InotifyWatches, AMissingOrDeletedFolderIsWatchedByTheNextCallOnceItExists) {
    const TempDir temp;
    const fs::path desktop = temp / "Desktop";
    const fs::path screenshots = temp / "Screenshots";
    fs::create_directory(desktop);
    writeFile(temp / "notes.txt");
    InotifyWatches watches;
    watches.watchExactly({desktop, screenshots, temp / "notes.txt"});
    EXPECT_EQ(statusOf(watches).watched, std::vector<fs::path>{desktop});
    EXPECT_EQ(statusOf(watches).unwatched,
              (std::vector<UnwatchedFolder>{{screenshots, "No such file or directory"},
                                            {temp / "notes.txt", "Not a directory"}}));
    fs::create_directory(screenshots);
    writeFile(screenshots / "early.png");
    EXPECT_FALSE(changed(watches));

    watches.watchExactly({desktop, screenshots});
    EXPECT_TRUE(statusOf(watches).unwatched.empty());
    fs::remove_all(screenshots);
    EXPECT_EQ(watches.readEvents(), (InotifyWatches::Events{true, true}));
    EXPECT_EQ(statusOf(watches).unwatched,
              (std::vector<UnwatchedFolder>{
                  {screenshots, "the folder was deleted or unmounted while watched"}}));
    EXPECT_EQ(kernelWatchCount(), 1);
    fs::create_directory(screenshots);
    watches.watchExactly({desktop, screenshots});
    writeFile(screenshots / "new.png");
    EXPECT_TRUE(changed(watches));
}

// The same set twice adds no watch, and two paths of one folder share one until both are
// left out; a folder left out of the set is no longer watched; a moved folder keeps its
// watch, which follows it, until it is left out.
TEST(InotifyWatches, EachCallWatchesExactlyTheFoldersItNames) {
    const TempDir temp;
    const fs::path desktop = temp / "Desktop";
    const fs::path downloads = temp / "Downloads";
    const fs::path link = temp / "link";
    fs::create_directory(desktop);
    fs::create_directory(downloads);
    fs::create_directory_symlink(downloads, link);
    InotifyWatches watches;
    watches.watchExactly({desktop, downloads, link});
    watches.watchExactly({desktop, downloads, link});
    EXPECT_EQ(kernelWatchCount(), 2);
    watches.watchExactly({desktop, link});
    EXPECT_EQ(statusOf(watches).watched, (std::vector<fs::path>{desktop, link}));
    writeFile(downloads / "seen.zip");
    EXPECT_TRUE(changed(watches));
    watches.watchExactly({desktop});
    EXPECT_EQ(kernelWatchCount(), 1);
    writeFile(downloads / "ignored.zip");
    EXPECT_FALSE(changed(watches));

    fs::rename(desktop, temp / "Desktop (old)");
    EXPECT_TRUE(changed(watches));
    watches.watchExactly({desktop});
    EXPECT_EQ(statusOf(watches).watchesAdded, 3u);
    writeFile(temp / "Desktop (old)" / "moved.png");
    EXPECT_TRUE(changed(watches));
    watches.watchExactly({});
    EXPECT_EQ(kernelWatchCount(), 0);
}

class FolderWatcherTest : public ::testing::Test {
protected:
    FolderWatcherTest() { testing::uiTestApp(); }

    FolderWatcher& start(double debounce) {
        watcher = std::make_unique<FolderWatcher>(debounce, &context);
        watcher->onChangesDetected = [this] {
            calls.push_back(Clock::now());
            callThreads.push_back(std::this_thread::get_id());
        };
        debounceInterval = debounce;
        return *watcher;
    }

    fs::path folder(const std::string& name) {
        fs::create_directories(temp / name);
        return temp / name;
    }

    bool waitForStatus(const std::function<bool(const WatcherStatus&)>& holds) {
        return testing::spinUntil([&] { return holds(watcher->status()); }, 5s);
    }
    bool waitUntilWatched(const std::vector<fs::path>& folders) {
        return waitForStatus([&](const WatcherStatus& s) { return s.watched == folders; });
    }
    bool waitForCalls(std::size_t count, std::chrono::milliseconds limit = 5s) {
        return testing::spinUntil([&] { return calls.size() >= count; }, limit);
    }
    // Waits long enough for any further delivery to have arrived.
    void settle() {
        testing::spinUntil([] { return false; }, 3 * millis(debounceInterval));
    }

    TempDir temp;
    QObject context;
    std::unique_ptr<FolderWatcher> watcher; // after `context`, which must outlive it
    double debounceInterval = 0;
    std::vector<Clock::time_point> calls;
    std::vector<std::thread::id> callThreads;
};

TEST_F(FolderWatcherTest, SavesInQuickSuccessionInTwoFoldersGiveOneCallbackAfterTheLast) {
    const fs::path desktop = folder("Desktop");
    const fs::path downloads = folder("Downloads");
    start(kBurst).watch({desktop, downloads});
    ASSERT_TRUE(waitUntilWatched({desktop, downloads}));

    writeFile(desktop / "Screenshot 1.png");
    writeFile(desktop / "Screenshot 2.png");
    writeFile(downloads / "b.zip");
    const Clock::time_point lastSave = Clock::now();

    ASSERT_TRUE(waitForCalls(1));
    settle();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_GE(calls[0] - lastSave, millis(kBurst));
    EXPECT_EQ(callThreads[0], std::this_thread::get_id());
}

// A folder missing at the first call is watched by the next call that lists it once it
// exists.
TEST_F(FolderWatcherTest, AFolderCreatedAfterTheFirstWatchIsWatchedByTheNextCall) {
    const fs::path desktop = folder("Desktop");
    const fs::path screenshots = temp / "Screenshots";
    start(kQuick).watch({desktop, screenshots});
    ASSERT_TRUE(waitUntilWatched({desktop}));
    fs::create_directory(screenshots);
    writeFile(screenshots / "early.png");
    settle();
    EXPECT_TRUE(calls.empty());
    watcher->watch({desktop, screenshots});
    ASSERT_TRUE(waitUntilWatched({desktop, screenshots}));
    writeFile(screenshots / "later.png");
    EXPECT_TRUE(waitForCalls(1));
}

TEST_F(FolderWatcherTest, StopWhileABurstIsPendingDeliversNothingAndRemovesEveryWatch) {
    const fs::path desktop = folder("Desktop");
    const fs::path downloads = folder("Downloads");
    start(kBurst).watch({desktop, downloads});
    ASSERT_TRUE(waitUntilWatched({desktop, downloads}));

    writeFile(desktop / "a.png");
    watcher->stop();

    ASSERT_TRUE(waitForStatus([](const WatcherStatus& s) { return s.watched.empty(); }));
    EXPECT_TRUE(watcher->status().unwatched.empty());
    EXPECT_EQ(kernelWatchCount(), 0);
    writeFile(downloads / "b.zip");
    settle();
    EXPECT_TRUE(calls.empty());
}

// Waits, without running the event loop, until the watcher has handed a burst to this thread.
bool waitForPostedDelivery(const FolderWatcher& watcher) {
    const Clock::time_point limit = Clock::now() + 5s;
    while (watcher.status().deliveriesPosted == 0 && Clock::now() < limit)
        std::this_thread::sleep_for(1ms);
    return watcher.status().deliveriesPosted > 0;
}

// A delivery already on its way is dropped by a stop, and by the watcher's end; later bursts
// of a stopped watcher still arrive once it watches again.
TEST_F(FolderWatcherTest, StopOrTheEndDropsADeliveryAlreadyOnItsWay) {
    for (const bool destroyed : {false, true}) {
        SCOPED_TRACE(destroyed);
        const fs::path desktop = folder("Desktop");
        start(0).watch({desktop});
        ASSERT_TRUE(waitUntilWatched({desktop}));
        fs::create_directory(desktop / (destroyed ? "Gone" : "Album"));
        ASSERT_TRUE(waitForPostedDelivery(*watcher));
        destroyed ? watcher.reset() : watcher->stop();
        testing::spinUntil([] { return false; }, 100ms);
        EXPECT_TRUE(calls.empty());
        if (destroyed) {
            EXPECT_EQ(kernelWatchCount(), 0);
            continue;
        }
        watcher->watch({desktop});
        ASSERT_TRUE(waitUntilWatched({desktop}));
        writeFile(desktop / "b.png");
        EXPECT_TRUE(waitForCalls(1));
        calls.clear();
    }
}

} // namespace
} // namespace dustlyn

#include "app/watcher/FolderWatcher.h"

#include "tests/app/watcher/QtTestApp.h"
#include "tests/core/support/TempDir.h"

#include <QObject>

#include <gtest/gtest.h>

#include <fcntl.h>
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

class FolderWatcherTest : public ::testing::Test {
protected:
    FolderWatcherTest() { testing::qtTestApp(); }

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
        return testing::spinEventsUntil([&] { return holds(watcher->status()); }, 5s);
    }
    bool waitUntilWatched(const std::vector<fs::path>& folders) {
        return waitForStatus([&](const WatcherStatus& s) { return s.watched == folders; });
    }
    bool waitForCalls(std::size_t count, std::chrono::milliseconds limit = 5s) {
        return testing::spinEventsUntil([&] { return calls.size() >= count; }, limit);
    }
    // Waits long enough for any further delivery to have arrived.
    void settle() { testing::spinEventsFor(3 * millis(debounceInterval)); }

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

// A change of the folder's own entries counts; what happens inside its files or below it
// does not.
TEST_F(FolderWatcherTest, OnlyChangesToTheFolderEntriesTrigger) {
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
        TempDir root;
        const fs::path watched = root / "watched";
        const fs::path outside = root / "outside";
        writeFile(watched / "f", "content");
        fs::create_directory(watched / "sub");
        writeFile(outside / "in");
        calls.clear();
        start(kQuick).watch({watched});
        ASSERT_TRUE(waitUntilWatched({watched}));

        c.change(watched, outside);
        if (c.triggers) {
            EXPECT_TRUE(waitForCalls(1));
        }
        settle();
        EXPECT_EQ(calls.size(), c.triggers ? 1u : 0u);
        if (!c.triggers) { // the watch was live all along
            writeFile(watched / "control");
            EXPECT_TRUE(waitForCalls(1));
        }
        watcher.reset(); // before its folders go
    }
}

// A folder that does not exist yet, or a file in place of one, is not watched, and says why;
// so is one deleted while watched. Each is watched by the next call once it exists.
TEST_F(FolderWatcherTest, AMissingOrDeletedFolderIsWatchedByTheNextCallOnceItExists) {
    const fs::path desktop = folder("Desktop");
    const fs::path screenshots = temp / "Screenshots";
    writeFile(temp / "notes.txt");
    start(kQuick).watch({desktop, screenshots, temp / "notes.txt"});
    ASSERT_TRUE(waitUntilWatched({desktop}));
    EXPECT_EQ(watcher->status().unwatched,
              (std::vector<UnwatchedFolder>{{screenshots, "No such file or directory"},
                                            {temp / "notes.txt", "Not a directory"}}));
    EXPECT_EQ(kernelWatchCount(), 1);

    fs::create_directory(screenshots);
    writeFile(screenshots / "early.png");
    settle();
    EXPECT_TRUE(calls.empty());

    watcher->watch({desktop, screenshots});
    ASSERT_TRUE(waitUntilWatched({desktop, screenshots}));
    EXPECT_TRUE(watcher->status().unwatched.empty());
    writeFile(screenshots / "later.png");
    EXPECT_TRUE(waitForCalls(1));

    fs::remove_all(screenshots);
    ASSERT_TRUE(waitForCalls(2));
    ASSERT_TRUE(waitUntilWatched({desktop}));
    EXPECT_EQ(watcher->status().unwatched,
              (std::vector<UnwatchedFolder>{
                  {screenshots, "the folder was deleted or unmounted while watched"}}));
    EXPECT_EQ(kernelWatchCount(), 1);
    fs::create_directory(screenshots);
    watcher->watch({desktop, screenshots});
    ASSERT_TRUE(waitUntilWatched({desktop, screenshots}));
    writeFile(screenshots / "new.png");
    EXPECT_TRUE(waitForCalls(3));
}

// The same set twice adds no watch; a folder left out of the set is no longer watched.
TEST_F(FolderWatcherTest, EachCallWatchesExactlyTheFoldersItNames) {
    const fs::path desktop = folder("Desktop");
    const fs::path downloads = folder("Downloads");
    start(kQuick).watch({desktop, downloads});
    ASSERT_TRUE(waitUntilWatched({desktop, downloads}));
    watcher->watch({desktop, downloads});
    // Commands are carried out in order: once Pictures is watched, the repeat is done too.
    watcher->watch({desktop, downloads, folder("Pictures")});
    ASSERT_TRUE(waitUntilWatched({desktop, downloads, temp / "Pictures"}));
    EXPECT_EQ(watcher->status().watchesAdded, 3u);
    EXPECT_EQ(kernelWatchCount(), 3);

    watcher->watch({desktop});
    ASSERT_TRUE(waitUntilWatched({desktop}));
    EXPECT_EQ(kernelWatchCount(), 1);
    writeFile(downloads / "ignored.zip");
    settle();
    EXPECT_TRUE(calls.empty());

    writeFile(desktop / "seen.png");
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
        testing::spinEventsFor(100ms);
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

TEST_F(FolderWatcherTest, AMovedFolderKeepsItsWatchUntilLeftOut) {
    const fs::path desktop = folder("Desktop");
    start(kQuick).watch({desktop});
    ASSERT_TRUE(waitUntilWatched({desktop}));

    fs::rename(desktop, temp / "Desktop (old)");
    ASSERT_TRUE(waitForCalls(1));
    watcher->watch({desktop});
    watcher->watch({desktop, folder("Barrier")});
    ASSERT_TRUE(waitUntilWatched({temp / "Barrier", desktop}));
    EXPECT_EQ(watcher->status().watchesAdded, 2u);

    // The watch follows the folder to its new name.
    writeFile(temp / "Desktop (old)" / "moved.png");
    EXPECT_TRUE(waitForCalls(2));

    watcher->watch({});
    ASSERT_TRUE(waitUntilWatched({}));
    EXPECT_EQ(kernelWatchCount(), 0);
}

TEST_F(FolderWatcherTest, WithoutAContextTheCallbackRunsOnTheConstructingThread) {
    watcher = std::make_unique<FolderWatcher>(kQuick, nullptr);
    watcher->onChangesDetected = [this] { callThreads.push_back(std::this_thread::get_id()); };
    watcher->watch({folder("Desktop")});
    ASSERT_TRUE(waitUntilWatched({temp / "Desktop"}));
    writeFile(temp / "Desktop/a.png");
    ASSERT_TRUE(testing::spinEventsUntil([&] { return !callThreads.empty(); }, 5s));
    EXPECT_EQ(callThreads, std::vector<std::thread::id>{std::this_thread::get_id()});
}

} // namespace
} // namespace dustlyn

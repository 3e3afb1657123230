#pragma once

#include "app/watcher/Debouncer.h"
#include "app/watcher/WatcherStatus.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

class QObject;

namespace dustlyn {

class InotifyWatches;

// Tells the application, without polling, that something changed in one of a set of folders:
// entries created, deleted, moved in or out, or written, and the folders themselves deleted
// or moved. Changes inside sub-folders do not count. A burst of changes is reported once,
// `debounceInterval` seconds after its last event.
//
// The kernel watches and the debounce belong to the watcher's own thread; watch() and stop()
// only hand it a command and return at once.
class FolderWatcher {
public:
    // `context` (which must outlive the watcher) names the thread onChangesDetected runs on.
    FolderWatcher(double debounceInterval, QObject* context);
    // Must run on the context's thread.
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Called on the context's thread once per burst. Set once, after construction.
    std::function<void()> onChangesDetected;

    // Makes the watched set equal to `folders` (resolved paths). Folders already watched keep
    // their watch; one that cannot be watched now (missing, no permission, the watch limit)
    // is left out, listed in status(), and tried again by the next call that includes it.
    // A folder deleted while watched is watched again by the next call that lists it.
    void watch(std::set<std::filesystem::path> folders);
    // Stops watching everything and drops the pending delivery, even one already on its way
    // to the context's thread.
    void stop();

    // A snapshot, safe to take from any thread. It trails the last watch() or stop() until
    // the watcher's thread has carried it out.
    WatcherStatus status() const;

private:
    struct Command {
        enum class Kind { watch, stop, quit };
        Kind kind;
        std::set<std::filesystem::path> folders;
    };
    struct Delivery {
        FolderWatcher* owner;
    };

    void enqueue(Command command);
    void wake();
    void failWithoutThread(const std::string& reason);

    // The watcher's thread, and what only it calls.
    void run();
    void loop(InotifyWatches& watches, Debouncer& debouncer);
    std::vector<Command> takeCommands();
    void drainWake();
    void post(std::uint64_t stopsSeen);
    void publish(const InotifyWatches& watches);
    void fail(const std::string& reason);

    // Runs on the context's thread.
    void deliver(std::uint64_t stopsSeen);

    Debouncer::Clock::duration debounceInterval_;
    QObject* context_;
    // Queued deliveries reach the watcher only through this, so that one arriving after the
    // watcher is gone finds nothing.
    std::shared_ptr<Delivery> delivery_;
    // stop() counts here; a delivery posted before the thread carried out the latest stop()
    // is dropped on arrival.
    std::atomic<std::uint64_t> requestedStops_{0};
    // The thread's own count of the stops it carried out.
    std::uint64_t appliedStops_ = 0;

    std::mutex commandsMutex_;
    std::vector<Command> commands_;
    int wakeFd_ = -1;

    mutable std::mutex statusMutex_;
    WatcherStatus status_;

    std::thread thread_;
};

} // namespace dustlyn

#pragma once

#include "app/watcher/WatcherStatus.h"

#include <sys/inotify.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

namespace dustlyn {

// One inotify instance with one watch per folder, on the folder's own entries only.
// Owned and used by a single thread: nothing here locks.
class InotifyWatches {
public:
    // What one read of the queue found.
    struct Events {
        bool changed = false;       // something in a watched folder changed
        bool statusChanged = false; // a watch was dropped or events were lost

        bool operator==(const Events&) const = default;
    };

    InotifyWatches();
    ~InotifyWatches();
    InotifyWatches(const InotifyWatches&) = delete;
    InotifyWatches& operator=(const InotifyWatches&) = delete;

    // The descriptor to poll; -1 when the instance could not be created.
    int fd() const { return fd_; }

    // Makes the watched set equal to `folders`. Folders already watched keep their watch;
    // the others are added now, and each one that cannot be is kept with the reason and
    // tried again by the next call that lists it.
    void watchExactly(const std::set<std::filesystem::path>& folders);
    // Removes every watch and forgets every folder.
    void clear();

    // Reads whatever is queued, without blocking. Throws FileError when reading fails.
    Events readEvents();

    // Fills the folder and counter fields of `status`.
    void fillStatus(WatcherStatus& status) const;

private:
    struct Folder {
        int wd = -1; // -1: not watched, see reason
        std::string reason;
    };

    void add(const std::filesystem::path& path, Folder& folder);
    void release(int wd);
    void handle(const inotify_event& event, Events& events);
    void dropped(int wd);

    int fd_ = -1;
    std::string setupError_;
    std::map<std::filesystem::path, Folder> folders_;
    // Two listed paths can name one directory (a bind mount): the kernel then hands out
    // one watch for both, so it is removed only when its last folder goes.
    std::unordered_map<int, std::size_t> usersByWd_;
    std::uint64_t watchesAdded_ = 0;
    std::uint64_t queueOverflows_ = 0;
    alignas(inotify_event) std::array<char, std::size_t{64} * 1024> buffer_{};
};

} // namespace dustlyn

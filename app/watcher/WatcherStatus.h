#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace dustlyn {

// A folder the watcher was asked to watch but does not, and why.
struct UnwatchedFolder {
    std::filesystem::path folder;
    std::string reason;

    bool operator==(const UnwatchedFolder&) const = default;
};

// A snapshot of what the folder watcher is doing, for `dustlyn status` and for tests.
struct WatcherStatus {
    std::vector<std::filesystem::path> watched; // live watches, in path order
    std::vector<UnwatchedFolder> unwatched;     // listed but not watched, in path order
    std::uint64_t watchesAdded = 0;             // inotify_add_watch calls since construction
    std::uint64_t queueOverflows = 0;           // times the kernel dropped events
    std::uint64_t deliveriesPosted = 0;         // bursts handed to the main thread
    std::string failure; // why the watcher stopped working; empty while it works

    bool operator==(const WatcherStatus&) const = default;
};

} // namespace dustlyn

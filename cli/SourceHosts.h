#pragma once

#include "core/scan/DirectoryWalk.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace dustlyn {

// The download host (FileInsights::source) of every file a scan finds, looked up on a thread
// of its own while the walk goes on: asking each file for its attributes costs about as much
// as the walk's own look at it, and a second core can do it meanwhile. The paths are copied
// as they come, so nothing here outlives the walk's storage.
class SourceHosts final : public DirectoryWalk::Listener {
public:
    SourceHosts() = default;
    SourceHosts(const SourceHosts&) = delete;
    SourceHosts& operator=(const SourceHosts&) = delete;
    ~SourceHosts();

    void found(std::string_view path) override;
    // Waits until every file told so far has been looked up; raises what a lookup threw.
    void finish();
    // After finish(): the host of a file told to found(), or nothing.
    std::optional<std::string_view> of(std::string_view path) const;

private:
    // Paths one after another, each ending in a NUL, ready for the system calls.
    struct Batch {
        std::string paths;
        std::size_t count = 0;
    };

    void hand();
    void work();
    void lookUp(const Batch& batch);

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };

    Batch filling_;              // the caller's
    std::vector<Batch> spare_;   // emptied batches, kept for their room; under mutex_
    std::deque<Batch> queued_;   // under mutex_
    bool closing_ = false;       // under mutex_
    std::exception_ptr failure_; // a lookup that threw; under mutex_
    std::mutex mutex_;
    std::condition_variable wake_; // work is queued, or the end has come
    std::condition_variable room_; // the queue has room again
    bool threadless_ = false;      // no thread could be started: looked up as told
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> hosts_; // the worker's
    std::thread worker_;
};

} // namespace dustlyn

#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace dustlyn {

// The one-writer lock: held by the running instance for its whole life, and by a command
// that changes files while no instance runs. Released when destroyed (or when the process
// dies, since it is an flock).
class InstanceLock {
public:
    // The lock, or nothing when another process holds it. Throws FileError when the lock
    // file cannot be created.
    static std::optional<InstanceLock> tryAcquire(const std::filesystem::path& path);
    // The process id written by the holder, if it can be read.
    static std::optional<pid_t> holder(const std::filesystem::path& path);

    InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace dustlyn

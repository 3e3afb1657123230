#include "app/instance/InstanceLock.h"

#include "core/base/AtomicFile.h"
#include "core/base/FileError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace dustlyn {

std::optional<InstanceLock> InstanceLock::tryAcquire(const std::filesystem::path& path) {
    createDirectories(path.parent_path());
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw FileError::fromErrno(errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return std::nullopt;
        throw FileError::fromErrno(error);
    }
    // Only for messages ("already running as process N"); the flock is what counts.
    const std::string pid = std::to_string(::getpid()) + "\n";
    // Written over the last holder's, then cut to its length: the same length most times,
    // which the file system does without freeing a block first.
    if (::pwrite(fd, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size()) &&
        ::ftruncate(fd, static_cast<off_t>(pid.size())) != 0) {
        // The pid is a courtesy for messages; the lock itself is held.
    }
    return InstanceLock(fd);
}

std::optional<pid_t> InstanceLock::holder(const std::filesystem::path& path) {
    const auto text = readWholeFile(path);
    if (!text)
        return std::nullopt;
    try {
        const long pid = std::stol(*text);
        return pid > 0 ? std::optional<pid_t>(static_cast<pid_t>(pid)) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace dustlyn

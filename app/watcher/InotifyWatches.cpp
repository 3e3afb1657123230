#include "app/watcher/InotifyWatches.h"

#include "core/base/FileError.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

// Entries created, deleted, moved in or out, written, and the folder itself going away.
// Changes inside sub-folders are not reported by inotify, which is what we want.
constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                IN_CLOSE_WRITE | IN_MODIFY | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR;

// A flood of events must not keep commands (stop, a new folder set) waiting for long.
constexpr int kMaxReadsPerCall = 16;

std::string reasonFor(int code) {
    // The system's own text for this one ("No space left on device") misleads.
    if (code == ENOSPC)
        return "the inotify watch limit is reached (fs.inotify.max_user_watches)";
    return FileError::fromErrno(code).what();
}

} // namespace

InotifyWatches::InotifyWatches() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0)
        setupError_ = "cannot create an inotify instance: " + reasonFor(errno);
}

InotifyWatches::~InotifyWatches() {
    // Closing the instance removes every watch it holds.
    if (fd_ >= 0)
        ::close(fd_);
}

void InotifyWatches::watchExactly(const std::set<fs::path>& folders) {
    for (auto it = folders_.begin(); it != folders_.end();) {
        if (folders.contains(it->first)) {
            ++it;
            continue;
        }
        release(it->second.wd);
        it = folders_.erase(it);
    }
    for (const fs::path& path : folders) {
        Folder& folder = folders_[path];
        if (folder.wd < 0)
            add(path, folder);
    }
}

void InotifyWatches::clear() {
    for (const auto& [path, folder] : folders_)
        release(folder.wd);
    folders_.clear();
}

void InotifyWatches::add(const fs::path& path, Folder& folder) {
    if (fd_ < 0) {
        folder.reason = setupError_;
        return;
    }
    ++watchesAdded_;
    const int wd = ::inotify_add_watch(fd_, path.c_str(), kMask);
    if (wd < 0) {
        folder.reason = reasonFor(errno);
        return;
    }
    folder.wd = wd;
    folder.reason.clear();
    ++usersByWd_[wd];
}

void InotifyWatches::release(int wd) {
    const auto it = usersByWd_.find(wd);
    if (it == usersByWd_.end() || --it->second > 0)
        return;
    usersByWd_.erase(it);
    // EINVAL here means the kernel already dropped the watch (the folder was deleted) and
    // its IN_IGNORED is still queued; there is nothing left to remove.
    ::inotify_rm_watch(fd_, wd);
}

InotifyWatches::Events InotifyWatches::readEvents() {
    Events events;
    for (int reads = 0; reads < kMaxReadsPerCall; ++reads) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN)
                break;
            throw FileError::fromErrno(errno);
        }
        for (std::size_t offset = 0; offset + sizeof(inotify_event) <= std::size_t(n);) {
            inotify_event event;
            std::memcpy(&event, buffer_.data() + offset, sizeof event);
            handle(event, events);
            offset += sizeof event + event.len;
        }
    }
    return events;
}

void InotifyWatches::handle(const inotify_event& event, Events& events) {
    if (event.mask & IN_Q_OVERFLOW) {
        // Events were lost; whatever they were, something changed. Left over after every
        // watch is gone, it means nothing.
        ++queueOverflows_;
        events.statusChanged = true;
        events.changed = events.changed || !usersByWd_.empty();
        return;
    }
    // Events of a watch removed since they were queued are ignored.
    if (!usersByWd_.contains(event.wd))
        return;
    events.changed = true;
    if (event.mask & IN_IGNORED) {
        dropped(event.wd);
        events.statusChanged = true;
    }
}

void InotifyWatches::dropped(int wd) {
    // The kernel removed the watch (folder deleted, file system unmounted). The folder stays
    // listed, not live, so that the next call that still lists it watches it again.
    usersByWd_.erase(wd);
    for (auto& [path, folder] : folders_)
        if (folder.wd == wd) {
            folder.wd = -1;
            folder.reason = "the folder was deleted or unmounted while watched";
        }
}

void InotifyWatches::fillStatus(WatcherStatus& status) const {
    status.watched.clear();
    status.unwatched.clear();
    for (const auto& [path, folder] : folders_) {
        if (folder.wd >= 0)
            status.watched.push_back(path);
        else
            status.unwatched.push_back({path, folder.reason});
    }
    status.watchesAdded = watchesAdded_;
    status.queueOverflows = queueOverflows_;
}

} // namespace dustlyn

#include "app/instance/ConfigurationWatcher.h"

#include "core/base/AtomicFile.h"
#include "core/base/FileError.h"

#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dustlyn {

namespace {

constexpr std::uint32_t events = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE |
                                 IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

ConfigurationWatcher::ConfigurationWatcher(std::filesystem::path file,
                                           std::function<void()> onChange, QObject* parent)
    : QObject(parent), file_(std::move(file)), onChange_(std::move(onChange)),
      fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0)
        return; // no inotify: hand edits are still taken up before every save
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    keepWatching();
}

ConfigurationWatcher::~ConfigurationWatcher() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

void ConfigurationWatcher::keepWatching() {
    if (fd_ < 0 || watch_ >= 0)
        return;
    const std::filesystem::path folder = file_.parent_path();
    try {
        createDirectories(folder);
    } catch (const FileError&) {
        // Nothing to watch yet; the model still reads the file before it writes it.
    }
    watch_ = ::inotify_add_watch(fd_, folder.c_str(), events);
}

void ConfigurationWatcher::readEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    bool changed = false;
    bool folderGone = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                folderGone = true;
                changed = true;
            } else if (event->len > 0 && file_.filename() == event->name) {
                changed = true;
            }
        }
    }
    if (folderGone)
        watch_ = -1;
    if (changed && onChange_)
        onChange_();
}

} // namespace dustlyn

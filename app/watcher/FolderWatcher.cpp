#include "app/watcher/FolderWatcher.h"

#include "app/watcher/InotifyWatches.h"
#include "core/base/FileError.h"

#include <QMetaObject>
#include <QObject>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>

namespace dustlyn {

namespace fs = std::filesystem;

using Clock = Debouncer::Clock;

namespace {

Clock::duration toDuration(double seconds) {
    // NaN and negative intervals deliver at once; the cap keeps now + interval far inside
    // the clock's range.
    constexpr double kLongest = 1e9;
    if (!(seconds > 0))
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(std::min(seconds, kLongest)));
}

int pollTimeout(std::optional<Clock::time_point> wake) {
    if (!wake)
        return -1;
    const Clock::duration left = *wake - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    // Rounded up: waking before the deadline would only spin.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<decltype(ms)>(ms, std::numeric_limits<int>::max()));
}

void markUnwatched(WatcherStatus& status, const std::set<fs::path>& folders,
                   const std::string& reason) {
    status.watched.clear();
    status.unwatched.clear();
    for (const fs::path& folder : folders)
        status.unwatched.push_back({folder, reason});
}

} // namespace

FolderWatcher::FolderWatcher(double debounceInterval, QObject* context)
    : debounceInterval_(toDuration(debounceInterval)), context_(context),
      delivery_(std::make_shared<Delivery>(Delivery{this})),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wakeFd_ < 0) {
        status_.failure = std::string("cannot create the watcher's wake-up event: ") +
                          FileError::fromErrno(errno).what();
        return;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error& error) {
        status_.failure = std::string("cannot start the watcher's thread: ") + error.what();
    }
}

FolderWatcher::~FolderWatcher() {
    if (thread_.joinable()) {
        enqueue({Command::Kind::quit, {}});
        thread_.join();
    }
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void FolderWatcher::watch(std::set<fs::path> folders) {
    {
        std::lock_guard lock(statusMutex_);
        if (!status_.failure.empty()) {
            markUnwatched(status_, folders, status_.failure);
            return;
        }
    }
    enqueue({Command::Kind::watch, std::move(folders)});
}

void FolderWatcher::stop() {
    ++requestedStops_;
    {
        std::lock_guard lock(statusMutex_);
        if (!status_.failure.empty()) {
            markUnwatched(status_, {}, status_.failure);
            return;
        }
    }
    enqueue({Command::Kind::stop, {}});
}

WatcherStatus FolderWatcher::status() const {
    std::lock_guard lock(statusMutex_);
    return status_;
}

void FolderWatcher::enqueue(Command command) {
    {
        std::lock_guard lock(commandsMutex_);
        commands_.push_back(std::move(command));
    }
    wake();
}

void FolderWatcher::wake() {
    const std::uint64_t one = 1;
    // EAGAIN would mean the counter is saturated: the thread has a wake-up waiting anyway.
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void FolderWatcher::run() {
    ::pthread_setname_np(::pthread_self(), "dustlyn-watcher");
    InotifyWatches watches;
    Debouncer debouncer(debounceInterval_);
    try {
        loop(watches, debouncer);
    } catch (const std::exception& error) {
        fail(std::string("the folder watcher stopped: ") + error.what());
    }
}

void FolderWatcher::loop(InotifyWatches& watches, Debouncer& debouncer) {
    publish(watches);
    for (;;) {
        // A failed inotify instance has descriptor -1, which poll skips: commands still work
        // and every folder reports why it is not watched.
        std::array<pollfd, 2> fds{{{wakeFd_, POLLIN, 0}, {watches.fd(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), pollTimeout(debouncer.nextWake())) < 0) {
            if (errno == EINTR)
                continue;
            throw FileError::fromErrno(errno);
        }
        if (fds[0].revents != 0) {
            drainWake();
            for (Command& command : takeCommands()) {
                switch (command.kind) {
                case Command::Kind::quit:
                    return;
                case Command::Kind::watch:
                    watches.watchExactly(command.folders);
                    break;
                case Command::Kind::stop:
                    debouncer.cancel();
                    watches.clear();
                    ++appliedStops_;
                    break;
                }
            }
            publish(watches);
        }
        if (fds[1].revents != 0) {
            const InotifyWatches::Events events = watches.readEvents();
            if (events.changed)
                debouncer.noteEvent(Clock::now());
            if (events.statusChanged)
                publish(watches);
        }
        if (debouncer.takeDue(Clock::now()))
            post(appliedStops_);
    }
}

std::vector<FolderWatcher::Command> FolderWatcher::takeCommands() {
    std::lock_guard lock(commandsMutex_);
    return std::exchange(commands_, {});
}

void FolderWatcher::drainWake() {
    std::uint64_t count = 0;
    // Nothing to read (EAGAIN) only means an earlier read already took the wake-ups.
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
}

void FolderWatcher::post(std::uint64_t stopsSeen) {
    const std::weak_ptr<Delivery> delivery = delivery_;
    QMetaObject::invokeMethod(
        context_,
        [delivery, stopsSeen] {
            if (const auto target = delivery.lock())
                target->owner->deliver(stopsSeen);
        },
        Qt::QueuedConnection);
    std::lock_guard lock(statusMutex_);
    ++status_.deliveriesPosted;
}

void FolderWatcher::deliver(std::uint64_t stopsSeen) {
    if (stopsSeen != requestedStops_.load() || !onChangesDetected)
        return;
    // A copy: the callback may well destroy this watcher.
    const std::function<void()> callback = onChangesDetected;
    callback();
}

void FolderWatcher::publish(const InotifyWatches& watches) {
    std::lock_guard lock(statusMutex_);
    watches.fillStatus(status_);
}

void FolderWatcher::fail(const std::string& reason) {
    std::lock_guard lock(statusMutex_);
    status_.failure = reason;
    for (const fs::path& folder : status_.watched)
        status_.unwatched.push_back({folder, reason});
    status_.watched.clear();
    std::sort(
        status_.unwatched.begin(), status_.unwatched.end(),
        [](const UnwatchedFolder& a, const UnwatchedFolder& b) { return a.folder < b.folder; });
}

} // namespace dustlyn

#include "bench/sweep/MeasuredRun.h"

#include "core/base/FileError.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>

namespace dustlyn::bench {

namespace {

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (const auto& text : texts)
        result.push_back(const_cast<char*>(text.c_str()));
    result.push_back(nullptr);
    return result;
}

double secondsOf(const timeval& time) {
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

// Reads `fd` to its end and closes it; answers the byte count.
std::size_t drain(int fd) {
    constexpr std::size_t chunk = 1 << 20;
    const auto buffer = std::make_unique<char[]>(chunk);
    std::size_t total = 0;
    for (;;) {
        const ssize_t count = ::read(fd, buffer.get(), chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        total += static_cast<std::size_t>(count);
    }
    ::close(fd);
    return total;
}

} // namespace

MeasuredRun MeasuredRun::of(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw FileError::fromErrno(errno);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto argv = pointers(arguments);
    const auto envp = pointers(environment);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (error != 0) {
        ::close(ends[0]);
        throw FileError(error,
                        "cannot start " + arguments[0] + ": " + FileError::fromErrno(error).what());
    }
    MeasuredRun run;
    run.outputBytes = drain(ends[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    run.peakResidentKiB = usage.ru_maxrss;
    return run;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

} // namespace dustlyn::bench

#include "bench/sweep/MeasuredRun.h"

#include "core/base/FileError.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

std::string readAll(int fd) {
    std::string text;
    char buffer[256];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return text;
}

} // namespace

MeasuredRun MeasuredRun::of(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment) {
    int output[2];
    int report[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        throw FileError::fromErrno(errno);
    if (::pipe2(report, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(output[0]);
        ::close(output[1]);
        throw FileError::fromErrno(error);
    }
    // The program is started by a small meter, so that its peak memory is its own.
    std::vector<std::string> metered = {DUSTLYN_BENCH_SPAWN};
    metered.insert(metered.end(), arguments.begin(), arguments.end());
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, report[1], 3);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto argv = pointers(metered);
    const auto envp = pointers(environment);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    ::close(report[1]);
    if (error != 0) {
        ::close(output[0]);
        ::close(report[0]);
        throw FileError(error,
                        "cannot start " + metered[0] + ": " + FileError::fromErrno(error).what());
    }
    MeasuredRun run;
    run.outputBytes = drain(output[0]);
    const std::string line = readAll(report[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (std::sscanf(line.c_str(), "%d %lf %lf %ld", &run.status, &run.seconds, &run.cpuSeconds,
                    &run.peakResidentKiB) != 4)
        throw FileError(EIO, "cannot start " + arguments[0] + " (the meter reported nothing)");
    if (run.status == 127)
        throw FileError(ENOENT, "cannot start " + arguments[0]);
    return run;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

} // namespace dustlyn::bench

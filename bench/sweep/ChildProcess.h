#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dustlyn::bench {

// A program started with posix_spawn. A child still running when this goes is killed and
// reaped, so a failed measurement leaves no process behind.
class ChildProcess {
public:
    // `arguments[0]` is looked up in PATH unless it holds a slash. `environment` replaces
    // the caller's when given; `output`, when given, receives standard output and error.
    // Throws FileError when the program cannot be started.
    static ChildProcess start(const std::vector<std::string>& arguments,
                              const std::optional<std::vector<std::string>>& environment = {},
                              const std::filesystem::path& output = {});

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }
    // Waits for the end: the exit status, or 128 + the signal that ended it.
    int wait();
    // The exit status when the program has ended, without waiting; nothing while it runs.
    std::optional<int> poll();
    // Sends `signal` (SIGTERM unless told) and waits for the end.
    int stop(int signal = 15);

    // Runs a program to its end and answers its exit status; throws FileError when it
    // cannot be started.
    static int run(const std::vector<std::string>& arguments,
                   const std::optional<std::vector<std::string>>& environment = {},
                   const std::filesystem::path& output = {});

private:
    explicit ChildProcess(pid_t pid) : pid_(pid) {}
    void killAndReap() noexcept;

    pid_t pid_ = -1;
};

} // namespace dustlyn::bench

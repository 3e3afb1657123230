#pragma once

#include "tests/core/support/TempDir.h"

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn::testing {

// How a finished process ended and what it printed.
struct ProcessResult {
    int exitCode = -1; // the exit status, -1 when a signal ended it
    int signal = 0;    // the signal that ended it, 0 when it exited
    bool timedOut = false;
    std::string out;
    std::string err;

    // Everything, for failure messages.
    std::string describe() const;
};

// The lines of a text, without their line breaks.
std::vector<std::string> linesOf(const std::string& text);

// The `dustlyn` executable run as a child with exactly the given environment. Its standard
// output and error go to files of its own, read as they grow; standard input is /dev/null.
class DustlynProcess {
public:
    using Clock = std::chrono::steady_clock;
    enum class Stream { out, err };

    // Starts `dustlyn WORDS…` in the background, in `workingDirectory` (the test's own when
    // empty), behind `launcher` when one is given (`strace …`, looked up in PATH); throws
    // std::system_error when it cannot.
    DustlynProcess(const std::vector<std::string>& words,
                   const std::vector<std::string>& environment,
                   const std::filesystem::path& workingDirectory = {},
                   const std::vector<std::string>& launcher = {});
    // A process still running is killed and reaped, so no test leaves one behind.
    ~DustlynProcess();
    DustlynProcess(const DustlynProcess&) = delete;
    DustlynProcess& operator=(const DustlynProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Waits until `stream` holds `count` complete lines containing `text` (true), or until the
    // deadline passed or the process ended without them (false).
    bool waitForLines(Stream stream, std::string_view text, std::size_t count,
                      Clock::time_point deadline);
    // How many complete lines of `stream` so far contain `text`.
    std::size_t linesWith(Stream stream, std::string_view text) const;
    // What the process has written so far.
    std::string out() const { return readFile(files_ / "out"); }
    std::string err() const { return readFile(files_ / "err"); }

    void sendSignal(int signal) const;
    // Waits for the process to end; one still running at the deadline is killed with SIGKILL
    // and reported as timedOut.
    ProcessResult wait(Clock::time_point deadline);

private:
    // Whether the process has ended, reaping it if so; `block` waits for that.
    bool ended(bool block = false);

    TempDir files_{"dustlyn-process"};
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::optional<ProcessResult> finished_;
};

} // namespace dustlyn::testing

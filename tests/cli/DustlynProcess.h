#pragma once

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

    // The lines of standard output and error, without their line breaks.
    std::vector<std::string> outLines() const;
    std::vector<std::string> errLines() const;
    // Everything, for failure messages.
    std::string describe() const;
};

// The `dustlyn` executable run as a child with exactly the given environment, its standard
// output and error read through pipes as they come. Standard input is /dev/null.
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

    // Runs to completion; a process still running after `limit` is killed (timedOut).
    static ProcessResult run(const std::vector<std::string>& words,
                             const std::vector<std::string>& environment,
                             const std::filesystem::path& workingDirectory = {},
                             std::chrono::milliseconds limit = std::chrono::seconds(30));

    pid_t pid() const { return pid_; }
    // Reads output until `stream` holds a complete line containing `text` (true), or until
    // the deadline passed or the stream closed (false).
    bool waitForLine(Stream stream, std::string_view text, Clock::time_point deadline);
    // The same for the `count`th line that contains `text`.
    bool waitForLines(Stream stream, std::string_view text, std::size_t count,
                      Clock::time_point deadline);
    // How many complete lines of `stream` read so far contain `text`.
    std::size_t linesWith(Stream stream, std::string_view text) const;
    // What has been read so far.
    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

    void sendSignal(int signal) const;
    // Reads the rest of the output and reaps the process; one still running at the deadline
    // is killed with SIGKILL and reported as timedOut.
    ProcessResult wait(Clock::time_point deadline);

private:
    // Reads what the pipes offer, waiting at most until `until`. False when both are closed.
    bool pump(Clock::time_point until);
    ProcessResult reap(bool timedOut);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
    std::optional<ProcessResult> finished_;
};

} // namespace dustlyn::testing

#include "tests/cli/DustlynProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <sstream>
#include <system_error>
#include <thread>

namespace dustlyn::testing {

namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

} // namespace

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::string ProcessResult::describe() const {
    return "exit " + std::to_string(exitCode) + ", signal " + std::to_string(signal) +
           (timedOut ? ", timed out" : "") + "\n--- stdout ---\n" + out + "--- stderr ---\n" + err;
}

DustlynProcess::DustlynProcess(const std::vector<std::string>& words,
                               const std::vector<std::string>& environment,
                               const std::filesystem::path& workingDirectory,
                               const std::vector<std::string>& launcher) {
    std::vector<std::string> argv = launcher;
    argv.push_back(DUSTLYN_EXE);
    argv.insert(argv.end(), words.begin(), words.end());
    std::vector<std::string> variables = environment;
    const std::string out = (files_ / "out").native(), err = (files_ / "err").native();
    // Standard output and error go to the files, input comes from /dev/null, and every signal
    // is unblocked and at its default disposition, whatever the test runner set up.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0600);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int spawned = ::posix_spawnp(&pid_, argv[0].c_str(), &actions, &attributes,
                                       pointers(argv).data(), pointers(variables).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::system_error(spawned, std::generic_category(), "posix_spawnp");
}

DustlynProcess::~DustlynProcess() {
    if (!ended()) {
        ::kill(pid_, SIGKILL);
        ended(true);
    }
}

bool DustlynProcess::ended(bool block) {
    int status = 0;
    pid_t reaped = 0;
    while (!status_ && (reaped = ::waitpid(pid_, &status, block ? 0 : WNOHANG)) < 0 &&
           errno == EINTR) {
    }
    if (reaped == pid_)
        status_ = status;
    return status_.has_value();
}

std::size_t DustlynProcess::linesWith(Stream stream, std::string_view text) const {
    const std::string written = stream == Stream::out ? out() : err();
    const auto lines = linesOf(written.substr(0, written.rfind('\n') + 1));
    return std::ranges::count_if(lines,
                                 [&](const auto& line) { return line.find(text) != line.npos; });
}

bool DustlynProcess::waitForLines(Stream stream, std::string_view text, std::size_t count,
                                  Clock::time_point deadline) {
    for (;;) {
        // Asked before the output is read: once the process has ended, it has written all.
        const bool over = ended() || Clock::now() >= deadline;
        if (linesWith(stream, text) >= count)
            return true;
        if (over)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void DustlynProcess::sendSignal(int signal) const {
    if (!status_)
        ::kill(pid_, signal);
}

ProcessResult DustlynProcess::wait(Clock::time_point deadline) {
    if (finished_)
        return *finished_;
    while (!ended() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool timedOut = !ended();
    if (timedOut) {
        ::kill(pid_, SIGKILL);
        ended(true);
    }
    finished_ =
        ProcessResult{WIFEXITED(*status_) ? WEXITSTATUS(*status_) : -1,
                      WIFSIGNALED(*status_) ? WTERMSIG(*status_) : 0, timedOut, out(), err()};
    return *finished_;
}

} // namespace dustlyn::testing

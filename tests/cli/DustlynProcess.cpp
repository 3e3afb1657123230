#include "tests/cli/DustlynProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sstream>
#include <system_error>

namespace dustlyn::testing {

namespace {

std::system_error systemError(int error, const char* what) {
    return std::system_error(error, std::generic_category(), what);
}

void closeQuietly(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Appends what one readable pipe holds; closes it at its end.
void drain(int& fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            into.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0)
            return closeQuietly(fd);
        else if (errno != EINTR)
            return; // EAGAIN: nothing more for now
    }
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

std::vector<std::string> ProcessResult::outLines() const {
    return linesOf(out);
}

std::vector<std::string> ProcessResult::errLines() const {
    return linesOf(err);
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
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw systemError(errno, "pipe2");
    // Standard output and error go to the pipes, input comes from /dev/null, and every signal
    // is unblocked and at its default disposition, whatever the test runner set up.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
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
    ::close(out[1]);
    ::close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    if (spawned != 0)
        throw systemError(spawned, "posix_spawnp");
    ::fcntl(outFd_, F_SETFL, O_NONBLOCK);
    ::fcntl(errFd_, F_SETFL, O_NONBLOCK);
}

DustlynProcess::~DustlynProcess() {
    if (!finished_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap(true);
    }
    closeQuietly(outFd_);
    closeQuietly(errFd_);
}

ProcessResult DustlynProcess::run(const std::vector<std::string>& words,
                                  const std::vector<std::string>& environment,
                                  const std::filesystem::path& workingDirectory,
                                  std::chrono::milliseconds limit) {
    DustlynProcess process(words, environment, workingDirectory);
    return process.wait(Clock::now() + limit);
}

bool DustlynProcess::pump(Clock::time_point until) {
    std::vector<pollfd> fds;
    for (const int fd : {outFd_, errFd_})
        if (fd >= 0)
            fds.push_back({fd, POLLIN, 0});
    if (fds.empty())
        return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
    const int timeout = static_cast<int>(std::clamp<long long>(left.count(), 0, 60000));
    if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
        throw systemError(errno, "poll");
    for (const auto& fd : fds)
        if (fd.revents != 0)
            fd.fd == outFd_ ? drain(outFd_, out_) : drain(errFd_, err_);
    return outFd_ >= 0 || errFd_ >= 0;
}

bool DustlynProcess::waitForLine(Stream stream, std::string_view text, Clock::time_point deadline) {
    return waitForLines(stream, text, 1, deadline);
}

std::size_t DustlynProcess::linesWith(Stream stream, std::string_view text) const {
    const auto lines = linesOf(stream == Stream::out ? out_ : err_);
    return std::ranges::count_if(lines,
                                 [&](const auto& line) { return line.find(text) != line.npos; });
}

bool DustlynProcess::waitForLines(Stream stream, std::string_view text, std::size_t count,
                                  Clock::time_point deadline) {
    for (;;) {
        if (linesWith(stream, text) >= count)
            return true;
        const int& fd = stream == Stream::out ? outFd_ : errFd_;
        if (Clock::now() >= deadline || fd < 0)
            return false;
        pump(deadline);
    }
}

void DustlynProcess::sendSignal(int signal) const {
    if (!finished_ && pid_ > 0)
        ::kill(pid_, signal);
}

ProcessResult DustlynProcess::wait(Clock::time_point deadline) {
    if (finished_)
        return *finished_;
    while (Clock::now() < deadline && pump(deadline)) {
    }
    // Still writing, or a child of it holds the pipes: the deadline decides. Once both pipes
    // are closed the process is ending.
    const bool timedOut = outFd_ >= 0 || errFd_ >= 0;
    if (timedOut)
        ::kill(pid_, SIGKILL);
    return reap(timedOut);
}

ProcessResult DustlynProcess::reap(bool timedOut) {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    closeQuietly(outFd_);
    closeQuietly(errFd_);
    finished_ = ProcessResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                              WIFSIGNALED(status) ? WTERMSIG(status) : 0, timedOut, out_, err_};
    return *finished_;
}

} // namespace dustlyn::testing

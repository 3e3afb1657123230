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

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw systemError(errno, "pipe2");
    return {fds[0], fds[1]};
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Spawns with the two write ends as standard output and error and /dev/null as input, all
// signals unblocked and at their default disposition, whatever the test runner set up.
pid_t spawn(std::vector<std::string> argv, std::vector<std::string> environment,
            const std::filesystem::path& workingDirectory, const Pipe& out, const Pipe& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const auto args = pointers(argv);
    const auto env = pointers(environment);
    const int error = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), env.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw systemError(error, ("posix_spawn " + argv.front()).c_str());
    return pid;
}

// Appends what one readable pipe holds; closes it at its end.
void drain(int& fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            closeQuietly(fd);
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
    std::ostringstream text;
    text << "exit " << exitCode << ", signal " << signal << (timedOut ? ", timed out" : "")
         << "\n--- stdout ---\n"
         << out << "--- stderr ---\n"
         << err;
    return text.str();
}

DustlynProcess::DustlynProcess(const std::vector<std::string>& words,
                               const std::vector<std::string>& environment,
                               const std::filesystem::path& workingDirectory,
                               const std::vector<std::string>& launcher) {
    Pipe out = makePipe();
    Pipe err;
    try {
        err = makePipe();
    } catch (...) {
        ::close(out.read);
        ::close(out.write);
        throw;
    }
    std::vector<std::string> argv = launcher;
    argv.push_back(DUSTLYN_EXE);
    argv.insert(argv.end(), words.begin(), words.end());
    try {
        pid_ = spawn(argv, environment, workingDirectory, out, err);
    } catch (...) {
        for (int fd : {out.read, out.write, err.read, err.write})
            ::close(fd);
        throw;
    }
    ::close(out.write);
    ::close(err.write);
    outFd_ = out.read;
    errFd_ = err.read;
    ::fcntl(outFd_, F_SETFL, O_NONBLOCK);
    ::fcntl(errFd_, F_SETFL, O_NONBLOCK);
}

DustlynProcess::~DustlynProcess() {
    if (!finished_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
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
    if (outFd_ >= 0)
        fds.push_back({outFd_, POLLIN, 0});
    if (errFd_ >= 0)
        fds.push_back({errFd_, POLLIN, 0});
    if (fds.empty())
        return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
    const int timeout = static_cast<int>(std::clamp<long long>(left.count(), 0, 60000));
    const int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready < 0 && errno != EINTR)
        throw systemError(errno, "poll");
    if (ready > 0) {
        for (const auto& fd : fds) {
            if (fd.revents == 0)
                continue;
            if (fd.fd == outFd_)
                drain(outFd_, out_);
            else
                drain(errFd_, err_);
        }
    }
    return outFd_ >= 0 || errFd_ >= 0;
}

bool DustlynProcess::waitForLine(Stream stream, std::string_view text, Clock::time_point deadline) {
    return waitForLines(stream, text, 1, deadline);
}

std::size_t DustlynProcess::linesWith(Stream stream, std::string_view text) const {
    std::size_t count = 0;
    for (const auto& line : linesOf(stream == Stream::out ? out_ : err_))
        count += line.find(text) != std::string::npos;
    return count;
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
    if (outFd_ >= 0 || errFd_ >= 0) {
        // Still writing, or a child of it holds the pipes: the deadline decides.
        ::kill(pid_, SIGKILL);
        return reap(true);
    }
    // Both pipes are closed; the process is ending, but may not be gone yet.
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_)
            return record(status, false);
        if (done < 0 && errno != EINTR)
            throw systemError(errno, "waitpid");
        if (Clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            return reap(true);
        }
        // Nothing to poll once the pipes are closed; the exit follows within moments.
        ::usleep(1000);
    }
}

ProcessResult DustlynProcess::reap(bool timedOut) {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    return record(status, timedOut);
}

ProcessResult DustlynProcess::record(int status, bool timedOut) {
    closeQuietly(outFd_);
    closeQuietly(errFd_);
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.timedOut = timedOut;
    result.out = out_;
    result.err = err_;
    finished_ = result;
    return result;
}

} // namespace dustlyn::testing

#include "bench/sweep/ChildProcess.h"

#include "core/base/FileError.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <utility>

extern char** environ;

namespace dustlyn::bench {

namespace {

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    result.reserve(texts.size() + 1);
    for (const auto& text : texts)
        result.push_back(const_cast<char*>(text.c_str()));
    result.push_back(nullptr);
    return result;
}

// posix_spawn's file actions, released however the start ends.
class FileActions {
public:
    FileActions() { ::posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    // Standard output and error both go to `file`, appended. Not close-on-exec: posix_spawn
    // opens the file straight into descriptor 1, which must survive into the program.
    void redirectTo(const std::filesystem::path& file) {
        ::posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, file.c_str(),
                                           O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO);
    }
    const posix_spawn_file_actions_t* get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

int statusCode(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 255;
}

} // namespace

ChildProcess ChildProcess::start(const std::vector<std::string>& arguments,
                                 const std::optional<std::vector<std::string>>& environment,
                                 const std::filesystem::path& output) {
    FileActions actions;
    if (!output.empty())
        actions.redirectTo(output);
    const auto argv = pointers(arguments);
    std::vector<char*> envp;
    if (environment)
        envp = pointers(*environment);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, arguments.at(0).c_str(), actions.get(), nullptr,
                                     argv.data(), environment ? envp.data() : environ);
    if (error != 0) {
        const FileError failure = FileError::fromErrno(error);
        throw FileError(error, "cannot start " + arguments[0] + ": " + failure.what());
    }
    return ChildProcess(pid);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        killAndReap();
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    killAndReap();
}

void ChildProcess::killAndReap() noexcept {
    if (!running())
        return;
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

int ChildProcess::wait() {
    if (!running())
        throw std::logic_error("no process to wait for");
    int status = 0;
    pid_t result = 0;
    do
        result = ::waitpid(pid_, &status, 0);
    while (result < 0 && errno == EINTR);
    if (result < 0)
        throw FileError::fromErrno(errno);
    pid_ = -1;
    return statusCode(status);
}

std::optional<int> ChildProcess::poll() {
    if (!running())
        throw std::logic_error("no process to look at");
    int status = 0;
    const pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result < 0)
        throw FileError::fromErrno(errno);
    if (result == 0)
        return std::nullopt;
    pid_ = -1;
    return statusCode(status);
}

int ChildProcess::stop(int signal) {
    // Never signal without a child of our own: kill(-1, ...) would reach every process.
    if (!running())
        throw std::logic_error("no process to stop");
    ::kill(pid_, signal);
    return wait();
}

int ChildProcess::run(const std::vector<std::string>& arguments,
                      const std::optional<std::vector<std::string>>& environment,
                      const std::filesystem::path& output) {
    return start(arguments, environment, output).wait();
}

} // namespace dustlyn::bench

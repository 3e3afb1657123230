#include "tests/core/support/TracedRun.h"

#include "tests/core/support/TempDir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace dustlyn::testing {

namespace fs = std::filesystem;

namespace {

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> list;
    for (auto& word : words)
        list.push_back(word.data());
    list.push_back(nullptr);
    return list;
}

std::vector<std::string> childEnvironment() {
    std::vector<std::string> variables;
    std::string sanitizer = "ASAN_OPTIONS=detect_leaks=0";
    for (char** variable = environ; *variable; ++variable) {
        const std::string text(*variable);
        if (text.starts_with("ASAN_OPTIONS="))
            sanitizer = text + ":detect_leaks=0";
        else
            variables.push_back(text);
    }
    variables.push_back(sanitizer);
    return variables;
}

} // namespace

bool ChildRun::exited(int code) const {
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

bool ChildRun::killed() const {
    return (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) || exited(128 + SIGKILL);
}

ChildRun runChild(const std::vector<std::string>& command, const fs::path& scratch) {
    std::vector<std::string> arguments = command;
    std::vector<std::string> environment = childEnvironment();
    const auto argv = pointers(arguments);
    const auto envp = pointers(environment);
    const fs::path out = scratch / "stdout";
    const fs::path err = scratch / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    ChildRun run;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.err = std::strerror(spawned);
        return run;
    }
    while (::waitpid(pid, &run.status, 0) < 0 && errno == EINTR) {
    }
    run.out = readFile(out);
    run.err = readFile(err);
    while (!run.err.empty() && run.err.back() == '\n')
        run.err.pop_back();
    return run;
}

std::vector<std::string> straceInjecting(const std::vector<std::string>& injections,
                                         const std::string& log) {
    std::vector<std::string> command = {"strace", "-f", "-qq", "-o", log};
    for (const auto& injection : injections)
        command.insert(command.end(), {"-e", "inject=" + injection});
    return command;
}

bool straceWorks(const fs::path& scratch) {
    auto command = straceInjecting({});
    command.push_back("true");
    return runChild(command, scratch).exited(0);
}

} // namespace dustlyn::testing

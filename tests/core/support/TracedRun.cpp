#include "tests/core/support/TracedRun.h"

#include "tests/core/support/TempDir.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>

namespace dustlyn::testing {

namespace fs = std::filesystem;

namespace {

// `text` as one word of a POSIX shell's command line.
std::string quoted(const std::string& text) {
    std::string word = "'";
    for (const char c : text)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

} // namespace

bool ChildRun::exited(int code) const {
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

bool ChildRun::killed() const {
    return (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) || exited(128 + SIGKILL);
}

ChildRun runChild(const std::vector<std::string>& command, const fs::path& scratch) {
    std::string line = "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" exec";
    for (const auto& word : command)
        line += " " + quoted(word);
    line += " >" + quoted(scratch / "stdout") + " 2>" + quoted(scratch / "stderr");
    ChildRun run;
    run.status = std::system(line.c_str());
    run.out = readFile(scratch / "stdout");
    run.err = readFile(scratch / "stderr");
    while (!run.err.empty() && run.err.back() == '\n')
        run.err.pop_back();
    return run;
}

std::vector<std::string> straceInjecting(const std::vector<std::string>& injections,
                                         const std::string& log) {
    // -D: the command is the started process itself and strace its grandchild, so that killing
    // the process ends the command (strace 6.1 leaves a command it traces running when it is
    // killed itself).
    std::vector<std::string> command = {"strace", "-D", "-f", "-qq", "-o", log};
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

#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace dustlyn::testing {

// How a program run to its end finished, and what it wrote.
struct ChildRun {
    int status = -1; // as waitpid reports it
    std::string out;
    std::string err; // without its last line break

    bool exited(int code) const;
    // strace either dies of the same signal as its tracee or exits with 128 + the signal.
    bool killed() const;
};

// Runs `command` to its end through the shell with this process's environment, LeakSanitizer
// off (it cannot run under ptrace), its output kept in files in `scratch`.
ChildRun runChild(const std::vector<std::string>& command, const std::filesystem::path& scratch);

// `strace -f -qq -o LOG` (/dev/null when none) and each of `injections` as `-e inject=…`.
std::vector<std::string> straceInjecting(const std::vector<std::string>& injections,
                                         const std::string& log = "/dev/null");

// Whether strace can trace a child here (it may be missing, or ptrace not permitted).
bool straceWorks(const std::filesystem::path& scratch);

} // namespace dustlyn::testing

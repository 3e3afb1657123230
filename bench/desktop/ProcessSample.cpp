#include "bench/desktop/ProcessSample.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

namespace dustlyn::bench {

namespace {

namespace fs = std::filesystem;

long statusField(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with(key))
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

} // namespace

ProcessSample ProcessSample::of(pid_t pid) {
    const fs::path proc = "/proc/" + std::to_string(pid);
    ProcessSample result;
    std::ifstream statFile(proc / "stat");
    const std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        throw std::runtime_error("cannot read " + (proc / "stat").native());
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14 || i == 15) // utime, stime
            ticks += std::stol(field);
        if (i == 15)
            break;
    }
    result.cpuSeconds = double(ticks) / double(::sysconf(_SC_CLK_TCK));
    result.residentKiB = statusField(proc / "status", "VmRSS:");
    std::error_code error;
    for (const auto& task : fs::directory_iterator(proc / "task", error)) {
        const long voluntary = statusField(task.path() / "status", "voluntary_ctxt_switches:");
        const long forced = statusField(task.path() / "status", "nonvoluntary_ctxt_switches:");
        if (voluntary >= 0 && forced >= 0)
            result.switches += voluntary + forced;
    }
    if (error)
        throw std::runtime_error("cannot list the threads of " + std::to_string(pid) + ": " +
                                 error.message());
    return result;
}

} // namespace dustlyn::bench

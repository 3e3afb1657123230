#include "cli/Cli.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>

namespace {

namespace fs = std::filesystem;

// Beside this executable in a build tree, else where the package installs it.
fs::path desktopProgram() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path beside = self.parent_path() / "dustlyn-desktop";
        if (fs::exists(beside, error))
            return beside;
    }
    return DUSTLYN_DESKTOP;
}

} // namespace

int main(int argc, char** argv) {
    // The windows need the graphical libraries, which every other command would pay for at
    // start-up: the desktop program takes this process's place with the same words, and finds
    // the same answers on its way to the windows.
    const auto desktop = [argv](const dustlyn::Environment&, const dustlyn::CommandLine&) {
        const fs::path program = desktopProgram();
        std::cout.flush();
        std::cerr.flush();
        ::execv(program.c_str(), argv);
        std::cerr << "dustlyn: cannot start " << program.native() << ": " << std::strerror(errno)
                  << "\n";
        return 1;
    };
    try {
        return dustlyn::Cli::run(std::vector<std::string>(argv + 1, argv + argc), desktop);
    } catch (const std::exception& error) {
        // Every expected failure is reported where it happens; this is the last guard
        // that keeps a surprise from ending in a crash.
        std::cerr << "dustlyn: " << error.what() << "\n";
        return 1;
    }
}

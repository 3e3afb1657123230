#include "app/shell/DesktopShell.h"
#include "cli/Cli.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    try {
        return dustlyn::Cli::run(std::vector<std::string>(argv + 1, argv + argc),
                                 dustlyn::DesktopShell::run);
    } catch (const std::exception& error) {
        // Every expected failure is reported where it happens; this is the last guard
        // that keeps a surprise from ending in a crash.
        std::cerr << "dustlyn: " << error.what() << "\n";
        return 1;
    }
}

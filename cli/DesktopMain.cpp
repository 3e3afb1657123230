// The same program with its windows: `dustlyn` becomes this one (it executes it in its own
// place) only when it is to show them, so that a command never loads the graphical libraries.
#include "app/shell/DesktopShell.h"
#include "cli/Cli.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    try {
        return dustlyn::Cli::run(std::vector<std::string>(argv + 1, argv + argc),
                                 dustlyn::DesktopShell::run);
    } catch (const std::exception& error) {
        std::cerr << "dustlyn: " << error.what() << "\n";
        return 1;
    }
}

#pragma once

#include "app/instance/CommandDeclaration.h"

#include <string>

namespace dustlyn {

// The help texts, made from the commands' declarations: the list of commands and each
// command's usage, arguments, options and examples.
struct CommandHelp {
    // `dustlyn help`.
    static std::string overview();
    // `dustlyn help COMMAND`, `dustlyn COMMAND --help`.
    static std::string of(const CommandDeclaration& command);
    // The lines that explain `command`'s arguments and options, "  --at TIME  judge …",
    // wrapped to `width` columns.
    static std::string details(const CommandDeclaration& command, std::size_t width = 80);
};

} // namespace dustlyn

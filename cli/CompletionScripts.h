#pragma once

#include <string>

namespace dustlyn {

// The shell completions of dustlyn, made from the commands' declarations: commands and
// sub-commands, their options, option values with choices, files and folders, the settings
// panes, and the names of the rules (asked of `dustlyn rules --json`).
struct CompletionScripts {
    static std::string bash();
    static std::string zsh();
    static std::string fish();
};

} // namespace dustlyn

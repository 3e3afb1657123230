#pragma once

#include "app/instance/CommandDeclaration.h"

#include <vector>

namespace dustlyn {

// The declarations of the commands, group by group, in the order `dustlyn help` lists them.
struct CommandGroups {
    static std::vector<CommandDeclaration> start();       // dustlyn itself, scan
    static std::vector<CommandDeclaration> sweeps();      // sweep, quarantine, restore, undo
    static std::vector<CommandDeclaration> keeping();     // keep, unkeep, kept
    static std::vector<CommandDeclaration> timers();      // timer, timers, remove-now
    static std::vector<CommandDeclaration> listings();    // history, rules
    static std::vector<CommandDeclaration> ruleChanges(); // rules add … rules reset
    static std::vector<CommandDeclaration> running();     // pause, resume, status, open, toggle
    static std::vector<CommandDeclaration> local();       // settings, help, version

    // --json, which every listing takes.
    static OptionDeclaration json();
};

} // namespace dustlyn

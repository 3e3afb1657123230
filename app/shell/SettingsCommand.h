#pragma once

#include "app/instance/CommandLine.h"
#include "app/settings/SettingsPane.h"

#include <optional>

namespace dustlyn {

// `dustlyn settings [PANE]`: which pane the window should show.
struct SettingsCommand {
    // The pane named by the argument, in any case ("kept files"), which the command line's
    // parser has checked against the panes' names; nothing without one (the window keeps its
    // pane).
    static std::optional<SettingsPane> pane(const CommandLine& line);
};

} // namespace dustlyn

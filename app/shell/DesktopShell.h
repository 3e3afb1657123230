#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/Environment.h"

namespace dustlyn {

// `dustlyn` without a command on a desktop (or `dustlyn settings [PANE]` with no Dustlyn
// running, which then opens the settings window): the notch, the tray item, the windows
// and the model, until the user quits, logs out or the process is told to stop.
struct DesktopShell {
    static int run(const Environment& environment, const CommandLine& line);
};

} // namespace dustlyn

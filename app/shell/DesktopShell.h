#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/Environment.h"

namespace dustlyn {

// `dustlyn` without a command on a desktop: the notch, the tray item and the model, until
// the user quits, logs out or the process is told to stop.
struct DesktopShell {
    static int run(const Environment& environment, const CommandLine& line);
};

} // namespace dustlyn

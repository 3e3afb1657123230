#pragma once

#include "app/instance/Environment.h"

namespace dustlyn {

// `dustlyn --headless`: the model, watcher and timers without any window, one line per
// sweep that moved or deleted something, until SIGINT or SIGTERM.
struct Headless {
    static int run(const Environment& environment);
};

} // namespace dustlyn

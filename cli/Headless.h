#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/Environment.h"

namespace dustlyn {

// `dustlyn --headless`: the model, watcher and timers without any window, a report per sweep
// that moved or deleted something (--quiet: only what failed, --verbose: every file), until
// SIGINT or SIGTERM. Under systemd every line goes to the journal with its priority.
struct Headless {
    static int run(const Environment& environment, const CommandLine& line);
};

} // namespace dustlyn

#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/Environment.h"

#include <functional>
#include <string>
#include <vector>

namespace dustlyn {

// The `dustlyn` command: parses the words, runs the migration, and sends each command to
// the running instance, runs it here under the lock, or reads the files directly.
struct Cli {
    // Starts the application with windows (`dustlyn` without a command, not headless).
    using Desktop = std::function<int(const Environment&, const CommandLine&)>;

    static int run(const std::vector<std::string>& words, const Desktop& desktop);
};

} // namespace dustlyn

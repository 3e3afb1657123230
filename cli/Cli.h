#pragma once

#include <string>
#include <vector>

namespace dustlyn {

// The `dustlyn` command: parses the words, runs the migration, and sends each command to
// the running instance, runs it here under the lock, or reads the files directly.
struct Cli {
    static int run(const std::vector<std::string>& words);
};

} // namespace dustlyn

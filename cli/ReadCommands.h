#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"
#include "app/instance/Environment.h"
#include "core/base/Date.h"
#include "core/config/Configuration.h"
#include "core/history/HistoryEntry.h"

#include <vector>

namespace dustlyn {

// The commands that only read the configuration, the history and the folders:
// scan, quarantine, history, rules, and status when no instance runs.
class ReadCommands {
public:
    ReadCommands(const Environment& environment, Date now) : environment_(environment), now_(now) {}

    CommandOutput run(const CommandLine& line) const;

    CommandOutput scan(const CommandLine& line) const;
    CommandOutput quarantine(const CommandLine& line) const;
    CommandOutput history(const CommandLine& line) const;
    CommandOutput rules(const CommandLine& line) const;
    // The status of a machine where Dustlyn is not running.
    CommandOutput statusNotRunning(const CommandLine& line) const;

private:
    // The stored files, with a line on `output`'s standard error for whatever is wrong with
    // them.
    Configuration loadConfiguration(CommandOutput& output) const;
    std::vector<HistoryEntry> loadHistory(CommandOutput& output) const;

    const Environment& environment_;
    Date now_;
};

} // namespace dustlyn

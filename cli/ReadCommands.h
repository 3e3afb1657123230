#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/Environment.h"
#include "cli/BufferedOutput.h"
#include "core/base/Date.h"
#include "core/config/Configuration.h"
#include "core/history/HistoryEntry.h"

#include <vector>

namespace dustlyn {

// The commands that only read the configuration, the history and the folders:
// scan, quarantine, history, rules, kept, timers, and status when no instance runs. They see
// the configuration as the running instance would, with the screenshot tools' folders
// adopted, but save nothing. They write straight
// to the command's output as they go; each answers the exit code (0, or 2 for a usage
// error, which it explains on `err`).
class ReadCommands {
public:
    ReadCommands(const Environment& environment, Date now, BufferedOutput& out, BufferedOutput& err)
        : environment_(environment), now_(now), out_(out), err_(err) {}

    int run(const CommandLine& line) const;

    int scan(const CommandLine& line) const;
    int quarantine(const CommandLine& line) const;
    int history(const CommandLine& line) const;
    int rules(const CommandLine& line) const;
    int kept(const CommandLine& line) const;
    int timers(const CommandLine& line) const;
    // The status of a machine where Dustlyn is not running.
    int statusNotRunning(const CommandLine& line) const;

private:
    // Each says on `err` what could not be read.
    Configuration loadConfiguration() const;
    std::vector<HistoryEntry> loadHistory() const;

    const Environment& environment_;
    Date now_;
    BufferedOutput& out_;
    BufferedOutput& err_;
};

} // namespace dustlyn

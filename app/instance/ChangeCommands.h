#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"

namespace dustlyn {

class AppModel;
class FolderWatcher;

// The commands that change something, carried out on a model: the running instance's
// (through the control socket) or a one-off model made under the lock. Path arguments
// arrive absolute.
class ChangeCommands {
public:
    // `watcher` is the running instance's, so that status can tell which folders go unwatched.
    explicit ChangeCommands(AppModel& model, const FolderWatcher* watcher = nullptr)
        : model_(model), watcher_(watcher) {}

    // Carries the command out; what is wrong with the stored files comes first on its
    // standard error.
    CommandOutput run(const CommandLine& line);

    static bool changes(const std::string& command);

    CommandOutput sweep(const CommandLine& line);
    CommandOutput keep(const CommandLine& line);
    CommandOutput unkeep(const CommandLine& line);
    CommandOutput timer(const CommandLine& line);
    CommandOutput removeNow(const CommandLine& line);
    CommandOutput restore(const CommandLine& line);
    CommandOutput undo(const CommandLine& line);
    // pause / resume / status of the running instance.
    CommandOutput pause(bool paused);
    CommandOutput status(const CommandLine& line);

private:
    CommandOutput carryOut(const CommandLine& line);

    AppModel& model_;
    const FolderWatcher* watcher_;
};

} // namespace dustlyn

#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"
#include "core/quarantine/MoveProgress.h"

#include <cstdint>
#include <functional>
#include <string>

namespace dustlyn {

class AppModel;
class FolderWatcher;

// The commands that change something, carried out on a model: the running instance's
// (through the control socket) or a one-off model made under the lock. Path arguments
// arrive absolute. A change that cannot be saved is taken back and reported: exit 1, naming
// config.json and the system's reason.
class ChangeCommands {
public:
    // Told how a sweep's moves come along, for a progress line on the caller's terminal.
    using ProgressSink = std::function<void(const MoveProgress&)>;

    // `watcher` is the running instance's, so that status can tell which folders go unwatched.
    explicit ChangeCommands(AppModel& model, const FolderWatcher* watcher = nullptr,
                            ProgressSink progress = {})
        : model_(model), watcher_(watcher), progress_(std::move(progress)) {}

    // Carries the command out; what is wrong with the stored files comes first on its
    // standard error.
    CommandOutput run(const CommandLine& line);

    // Whether `command` changes anything (and so is carried out by the running instance).
    static bool changes(const std::string& command);

    CommandOutput sweep(const CommandLine& line);
    CommandOutput keep(const CommandLine& line);
    CommandOutput unkeep(const CommandLine& line);
    CommandOutput timer(const CommandLine& line);
    CommandOutput removeNow(const CommandLine& line);
    CommandOutput restore(const CommandLine& line);
    CommandOutput undo(const CommandLine& line);
    CommandOutput pause(const CommandLine& line);
    CommandOutput resume(const CommandLine& line);
    CommandOutput status(const CommandLine& line);

    // `rules add`, `rules edit`, `rules enable`, `rules disable`, `rules remove`, `rules reset`.
    CommandOutput addRule(const CommandLine& line);
    CommandOutput editRule(const CommandLine& line);
    CommandOutput enableRule(const CommandLine& line);
    CommandOutput disableRule(const CommandLine& line);
    CommandOutput removeRule(const CommandLine& line);
    CommandOutput resetRules(const CommandLine& line);

private:
    CommandOutput switchRule(const CommandLine& line, bool on);
    CommandOutput sweepFiles(const CommandLine& line);
    // True (and the line said, exit 1) when a save failed since `failuresBefore`.
    bool unsaved(std::uint64_t failuresBefore, const CommandLine& line, const std::string& outcome,
                 CommandOutput& output) const;

    AppModel& model_;
    const FolderWatcher* watcher_;
    ProgressSink progress_;
};

} // namespace dustlyn

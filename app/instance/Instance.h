#pragma once

#include "app/instance/ChangeCommands.h"
#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"
#include "app/instance/Environment.h"
#include "app/instance/InstanceLock.h"

#include <functional>
#include <memory>
#include <stdexcept>

namespace dustlyn {

class AppModel;
class ConfigurationWatcher;
class ControlServer;
class FolderWatcher;

// Why an instance could not start, as the one line to print.
class InstanceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A running Dustlyn: the one-writer lock, the model with its folder watcher, the watch on
// its configuration file (hand edits are taken up), and the control socket that carries
// other processes' commands to it. The headless and the
// desktop application are this same composition with a different face. Needs an
// application object; lives on the main thread.
class Instance {
public:
    // Answers the commands only a face can answer: `open`, `toggle`, `settings` and a
    // second `dustlyn` without a command (the reopen).
    using FaceHandler = std::function<CommandOutput(const CommandLine&)>;

    // Takes the lock, builds the model and listens. Throws InstanceError when another
    // Dustlyn runs or the lock or socket cannot be made. The model's notices go to standard
    // error until someone sets AppModel::onNotice.
    Instance(const Environment& environment, FaceHandler face);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    AppModel& model() { return *model_; }
    FolderWatcher& watcher() { return *watcher_; }

    // The answer of a face without windows.
    static CommandOutput noWindows(const CommandLine& line);

private:
    CommandOutput handle(const CommandLine& line, const ChangeCommands::ProgressSink& progress);

    InstanceLock lock_;
    std::unique_ptr<FolderWatcher> watcher_;
    std::unique_ptr<AppModel> model_;
    FaceHandler face_;
    std::unique_ptr<ConfigurationWatcher> configWatcher_;
    std::unique_ptr<ControlServer> server_;
};

} // namespace dustlyn

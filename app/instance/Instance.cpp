#include "app/instance/Instance.h"

#include "app/instance/ChangeCommands.h"
#include "app/instance/ConfigurationWatcher.h"
#include "app/instance/ControlServer.h"
#include "app/model/AppModel.h"
#include "app/watcher/FolderWatcher.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

#include <QCoreApplication>

#include <iostream>

namespace dustlyn {

namespace {

InstanceLock takeLock(const Environment& environment) {
    std::optional<InstanceLock> lock;
    try {
        lock = InstanceLock::tryAcquire(environment.lockPath());
    } catch (const FileError& error) {
        throw InstanceError("dustlyn: cannot create the lock " + environment.lockPath().native() +
                            ": " + error.what());
    }
    if (!lock) {
        const auto pid = InstanceLock::holder(environment.lockPath());
        throw InstanceError("dustlyn: Dustlyn is already running" +
                            (pid ? " (process " + std::to_string(*pid) + ")" : std::string()) +
                            "; stop it first, or talk to it with `dustlyn status`.");
    }
    return std::move(*lock);
}

bool answeredByFace(const std::string& command) {
    return command.empty() || command == "open" || command == "toggle" || command == "settings";
}

} // namespace

Instance::Instance(const Environment& environment, FaceHandler face)
    : lock_(takeLock(environment)),
      watcher_(std::make_unique<FolderWatcher>(1.5, QCoreApplication::instance())),
      face_(std::move(face)) {
    const auto& folders = environment.folders;
    model_ = std::make_unique<AppModel>(
        ConfigurationStore::defaultStore(folders), std::nullopt,
        Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
        nullptr, watcher_.get(), AppModelServices::standard(folders));
    model_->onNotice = [](const std::string& line) { std::cerr << "dustlyn: " << line << "\n"; };
    configWatcher_ = std::make_unique<ConfigurationWatcher>(
        model_->store().url(), [this] { model_->configurationFileChanged(); });
    // The support folder may go and come back; the watch follows it at each change.
    QObject::connect(model_.get(), &AppModel::configChanged, configWatcher_.get(),
                     [this] { configWatcher_->keepWatching(); });
    try {
        server_ = std::make_unique<ControlServer>(
            environment.socketPath(),
            [this](const CommandLine& line, const ChangeCommands::ProgressSink& progress) {
                return handle(line, progress);
            });
    } catch (const FileError& error) {
        throw InstanceError("dustlyn: cannot listen at " + environment.socketPath().native() +
                            ": " + error.what());
    }
}

Instance::~Instance() {
    // No command may reach a model that is going away.
    server_.reset();
    configWatcher_.reset();
    model_->stop();
}

CommandOutput Instance::handle(const CommandLine& line,
                               const ChangeCommands::ProgressSink& progress) {
    if (answeredByFace(line.command))
        return face_(line);
    return ChangeCommands(*model_, watcher_.get(), progress).run(line);
}

CommandOutput Instance::noWindows(const CommandLine& line) {
    CommandOutput output;
    if (line.command.empty())
        output.line("Dustlyn is already running (without windows).");
    else
        output.fail(1, "dustlyn " + line.command +
                           ": the running Dustlyn was started with --headless and has no windows");
    return output;
}

} // namespace dustlyn

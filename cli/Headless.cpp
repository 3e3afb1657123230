#include "cli/Headless.h"

#include "app/model/AppModel.h"
#include "app/watcher/FolderWatcher.h"
#include "cli/ChangeCommands.h"
#include "cli/ControlServer.h"
#include "cli/InstanceLock.h"
#include "cli/Plural.h"
#include "core/base/ByteCount.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

namespace dustlyn {

namespace {

void printSweep(const QuarantineReport& moved, const PurgeReport& purged) {
    std::string line;
    if (moved.movedCount > 0)
        line = "Moved " + plural(moved.movedCount, "file") + " to quarantine (" +
               formatByteCount(moved.movedSize) + ")";
    if (purged.purgedCount > 0)
        line += (line.empty() ? "Deleted " : "; deleted ") + plural(purged.purgedCount, "file") +
                " from quarantine (" + formatByteCount(purged.purgedSize) + ")";
    if (!line.empty())
        std::cout << line << "\n";
    std::cout.flush();
    for (const auto& outcome : moved.outcomes)
        if (!outcome.success)
            std::cerr << "Could not move " << outcome.original.native() << ": "
                      << outcome.error.value_or("unknown error") << "\n";
    for (const auto& outcome : purged.outcomes)
        if (!outcome.success)
            std::cerr << "Could not delete " << outcome.file.url.native() << ": "
                      << outcome.error.value_or("unknown error") << "\n";
}

// SIGINT and SIGTERM arrive as readable data on a descriptor the event loop watches, so
// the model stops between two events, never in the middle of a sweep.
int blockStopSignals() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &mask, nullptr);
    return ::signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
}

} // namespace

int Headless::run(const Environment& environment) {
    std::optional<InstanceLock> lock;
    try {
        lock = InstanceLock::tryAcquire(environment.lockPath());
    } catch (const FileError& error) {
        std::cerr << "dustlyn: cannot create the lock " << environment.lockPath().native() << ": "
                  << error.what() << "\n";
        return 1;
    }
    if (!lock) {
        const auto pid = InstanceLock::holder(environment.lockPath());
        std::cerr << "dustlyn: Dustlyn is already running"
                  << (pid ? " (process " + std::to_string(*pid) + ")" : std::string())
                  << "; stop it first, or talk to it with `dustlyn status`.\n";
        return 1;
    }
    // Blocked before any thread starts, so that no thread takes the signals instead.
    const int stopFd = blockStopSignals();
    int argc = 1;
    char name[] = "dustlyn";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    FolderWatcher watcher(1.5, &app);
    const auto& folders = environment.folders;
    AppModel model(
        ConfigurationStore::defaultStore(folders), std::nullopt,
        Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
        nullptr, &watcher, AppModelServices::standard(folders));
    model.onSweepFinished = printSweep;

    const auto handle = [&model, &watcher](const CommandLine& line) {
        if (line.command.empty()) {
            CommandOutput output;
            output.line("Dustlyn is already running (without windows).");
            return output;
        }
        if (line.command == "open" || line.command == "toggle" || line.command == "settings") {
            CommandOutput output;
            output.fail(1,
                        "dustlyn " + line.command +
                            ": the running Dustlyn was started with --headless and has no windows");
            return output;
        }
        return ChangeCommands(model, &watcher).run(line);
    };
    std::unique_ptr<ControlServer> server;
    try {
        server = std::make_unique<ControlServer>(environment.socketPath(), handle);
    } catch (const FileError& error) {
        std::cerr << "dustlyn: cannot listen at " << environment.socketPath().native() << ": "
                  << error.what() << "\n";
        return 1;
    }

    QSocketNotifier stopNotifier(stopFd, QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info{};
        while (::read(stopFd, &info, sizeof info) == sizeof info) {
        }
        QCoreApplication::quit();
    });

    model.start();
    std::cerr << "Dustlyn is running without windows. Stop it with Ctrl+C.\n";
    const int status = app.exec();
    model.stop();
    server.reset();
    ::close(stopFd);
    return status;
}

} // namespace dustlyn

#include "cli/Cli.h"

#include "app/instance/ChangeCommands.h"
#include "app/instance/CommandLine.h"
#include "app/instance/ControlProtocol.h"
#include "app/instance/Environment.h"
#include "app/instance/InstanceLock.h"
#include "app/instance/LocalSocket.h"
#include "app/model/AppModel.h"
#include "cli/BufferedOutput.h"
#include "cli/Headless.h"
#include "cli/ReadCommands.h"
#include "core/base/FileError.h"
#include "core/config/LegacyMigration.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

int finish(const CommandOutput& output) {
    std::cout << output.out << std::flush;
    std::cerr << output.err << std::flush;
    return output.exitCode;
}

// The running instance's answer, or nothing when no instance listens.
std::optional<CommandOutput> askRunningInstance(const Environment& environment,
                                                const CommandLine& line) {
    const int fd = LocalSocket::connectTo(environment.socketPath(), 3600);
    if (fd < 0)
        return std::nullopt;
    std::optional<CommandOutput> answer;
    const auto peer = LocalSocket::peerUser(fd);
    if (peer && *peer == ::geteuid() &&
        LocalSocket::writeAll(fd, ControlProtocol::encodeRequest(line)))
        if (const auto text = LocalSocket::readLine(fd, ControlProtocol::maxMessage))
            answer = ControlProtocol::decodeAnswer(*text);
    ::close(fd);
    if (!answer) {
        CommandOutput failed;
        failed.fail(1, "dustlyn " + line.command + ": the running Dustlyn did not answer");
        return failed;
    }
    return answer;
}

// Paths given to a command are meant from the caller's folder, wherever it is carried out.
CommandLine withAbsolutePaths(CommandLine line) {
    const bool firstOnly = line.command == "timer";
    for (std::size_t i = 0; i < line.arguments.size(); ++i) {
        if (line.command == "undo" || (firstOnly && i > 0))
            break;
        std::error_code error;
        const fs::path absolute = fs::absolute(line.arguments[i], error);
        if (!error)
            line.arguments[i] = absolute.lexically_normal().native();
    }
    return line;
}

CommandOutput runHere(const Environment& environment, const CommandLine& line) {
    CommandOutput output;
    if (line.command == "pause" || line.command == "resume") {
        output.fail(1, "dustlyn " + line.command +
                           ": Dustlyn is not running (start it with `dustlyn --headless`)");
        return output;
    }
    const auto& folders = environment.folders;
    AppModel model(
        ConfigurationStore::defaultStore(folders), std::nullopt,
        Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
        nullptr, nullptr, AppModelServices::standard(folders));
    // Every command scans when it needs to (a sweep before and after its moves), so none is
    // made here.
    return ChangeCommands(model).run(line);
}

// Carried out by the running instance when there is one, else here under the lock. A lock
// held without a listening socket means an instance is starting or another command is
// working: wait for either to be ready.
CommandOutput runChange(const Environment& environment, const CommandLine& line) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        if (auto answer = askRunningInstance(environment, line))
            return *answer;
        std::optional<InstanceLock> lock;
        try {
            lock = InstanceLock::tryAcquire(environment.lockPath());
        } catch (const FileError& error) {
            CommandOutput output;
            output.fail(1, "dustlyn: cannot create the lock " + environment.lockPath().native() +
                               ": " + error.what());
            return output;
        }
        if (lock)
            return runHere(environment, line);
        if (std::chrono::steady_clock::now() > deadline) {
            CommandOutput output;
            output.fail(1, "dustlyn " + line.command +
                               ": another Dustlyn holds the lock but does not answer; try again");
            return output;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

CommandOutput runWindowCommand(const Environment& environment, const CommandLine& line) {
    if (auto answer = askRunningInstance(environment, line))
        return *answer;
    CommandOutput output;
    output.fail(1,
                "dustlyn " + line.command + ": Dustlyn is not running (start it with `dustlyn`)");
    return output;
}

int startApplication(const Environment& environment, const CommandLine& line,
                     const Cli::Desktop& desktop) {
    if (line.has("--headless")) {
        if (line.has("--notch-demo")) {
            std::cerr << "dustlyn: --notch-demo shows the notch, which --headless does not have\n";
            return 2;
        }
        return Headless::run(environment);
    }
    // A second start while one runs brings that one forward and ends here.
    if (auto answer = askRunningInstance(environment, line))
        return finish(*answer);
    return desktop(environment, line);
}

// A read-only command writes as it goes; output it could not write fails the command.
int runReading(const Environment& environment, Date now, const CommandLine& line) {
    BufferedOutput out(STDOUT_FILENO);
    BufferedOutput err(STDERR_FILENO);
    int code = ReadCommands(environment, now, out, err).run(line);
    if (!out.flush()) {
        err.line("dustlyn " + line.command + ": cannot write the output: " + out.error());
        code = std::max(code, 1);
    }
    err.flush();
    return code;
}

} // namespace

int Cli::run(const std::vector<std::string>& words, const Desktop& desktop) {
    CommandLine line;
    try {
        line = CommandLine::parse(words);
    } catch (const UsageError& error) {
        std::cerr << error.what() << "\n";
        return 2;
    }
    if (line.has("--version") || line.command == "version") {
        std::cout << "dustlyn 0.1.0\n";
        return 0;
    }
    if (line.has("--help") || line.command == "help") {
        std::cout << CommandLine::usage();
        return 0;
    }
    const Environment environment = Environment::fromProcess();
    LegacyMigration::migrateIfNeeded(environment.folders.legacyDirectory(),
                                     ConfigurationStore::defaultStore(environment.folders),
                                     environment.folders);
    // `settings` with no Dustlyn running starts one with its window open.
    if (line.command.empty() || line.command == "settings")
        return startApplication(environment, line, desktop);

    // The model's timers and the control socket's notifier need an application object.
    int argc = 1;
    char name[] = "dustlyn";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const Date now = std::chrono::system_clock::now();
    if (ChangeCommands::changes(line.command))
        return finish(runChange(environment, withAbsolutePaths(line)));
    if (line.command == "status") {
        if (auto answer = askRunningInstance(environment, line))
            return finish(*answer);
        return runReading(environment, now, line);
    }
    if (line.command == "open" || line.command == "toggle")
        return finish(runWindowCommand(environment, line));
    return runReading(environment, now, line);
}

} // namespace dustlyn

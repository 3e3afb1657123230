#include "cli/Cli.h"

#include "app/instance/ChangeCommands.h"
#include "app/instance/CommandDeclaration.h"
#include "app/instance/CommandLine.h"
#include "app/instance/ControlProtocol.h"
#include "app/instance/Environment.h"
#include "app/instance/InstanceLock.h"
#include "app/instance/LocalSocket.h"
#include "app/model/AppModel.h"
#include "cli/BufferedOutput.h"
#include "cli/CommandHelp.h"
#include "cli/Headless.h"
#include "cli/ProgressLine.h"
#include "cli/ReadCommands.h"
#include "cli/ShortLivedHeap.h"
#include "core/base/FileError.h"
#include "core/config/LegacyMigration.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

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

// A progress line for a long sweep, on standard error when that is a terminal.
std::optional<ProgressLine> progressLine() {
    if (!::isatty(STDERR_FILENO))
        return std::nullopt;
    return ProgressLine([] { return ProgressLine::Clock::now(); },
                        [](const std::string& text) {
                            // A progress line that cannot be drawn is no reason to stop.
                            [[maybe_unused]] const auto written =
                                ::write(STDERR_FILENO, text.data(), text.size());
                        });
}

// The replies of the running instance up to its answer; nothing when the lines stop.
std::optional<CommandOutput> readAnswer(int fd, std::optional<ProgressLine>& progress) {
    std::string pending;
    while (const auto text = LocalSocket::readLine(fd, ControlProtocol::maxMessage, pending)) {
        const auto reply = ControlProtocol::decodeReply(*text);
        if (!reply)
            return std::nullopt;
        if (const auto* output = std::get_if<CommandOutput>(&*reply))
            return *output;
        if (progress)
            progress->update(std::get<MoveProgress>(*reply));
    }
    return std::nullopt;
}

// The running instance's answer, or nothing when no instance listens.
std::optional<CommandOutput> askRunningInstance(const Environment& environment,
                                                const CommandLine& line) {
    const int fd = LocalSocket::connectTo(environment.socketPath(), 3600);
    if (fd < 0)
        return std::nullopt;
    std::optional<ProgressLine> progress = progressLine();
    std::optional<CommandOutput> answer;
    const auto peer = LocalSocket::peerUser(fd);
    if (peer && *peer == ::geteuid() &&
        LocalSocket::writeAll(fd, ControlProtocol::encodeRequest({line, progress.has_value()})))
        answer = readAnswer(fd, progress);
    ::close(fd);
    if (progress)
        progress->finish();
    if (!answer) {
        CommandOutput failed;
        failed.fail(1, "dustlyn " + line.command + ": the running Dustlyn did not answer");
        return failed;
    }
    return answer;
}

// Paths given to a command are meant from the caller's folder, wherever it is carried out. A
// folder written with "~" stays so: it is how rules keep their folders.
CommandLine withAbsolutePaths(CommandLine line) {
    const auto absolute = [](std::string& text) {
        std::error_code error;
        const fs::path path = fs::absolute(text, error);
        if (!error)
            text = path.lexically_normal().native();
    };
    const auto* declaration = CommandDeclaration::find(line.command);
    if (!declaration)
        return line;
    const auto& declared = declaration->arguments;
    for (std::size_t i = 0; i < line.arguments.size() && !declared.empty(); ++i)
        if (declared[std::min(i, declared.size() - 1)].kind == WordKind::file)
            absolute(line.arguments[i]);
    for (auto& [name, values] : line.options)
        if (const auto* option = declaration->option(name);
            option && option->kind == WordKind::folder)
            for (auto& value : values)
                if (!value.starts_with("~"))
                    absolute(value);
    return line;
}

CommandOutput runHere(const Environment& environment, const CommandLine& line) {
    CommandOutput output;
    if (line.command == "pause" || line.command == "resume") {
        output.fail(2, "dustlyn " + line.command + ": Dustlyn is not running, so there is " +
                           "nothing to " + line.command +
                           " (start it with `dustlyn` or `dustlyn --headless`)");
        return output;
    }
    const auto& folders = environment.folders;
    AppModel model(
        ConfigurationStore::defaultStore(folders), std::nullopt,
        Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
        nullptr, nullptr, AppModelServices::standard(folders));
    // As the running instance does at its start; a command that may write also saves it.
    // Every command scans when it needs to (a sweep before and after its moves).
    model.adoptScreenshotLocation();
    std::optional<ProgressLine> progress = progressLine();
    ChangeCommands::ProgressSink sink;
    if (progress)
        sink = [&progress](const MoveProgress& state) { progress->update(state); };
    output = ChangeCommands(model, nullptr, sink).run(line);
    if (progress)
        progress->finish();
    return output;
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
        return Headless::run(environment, line);
    }
    // The desktop reports sweeps in the notch, not as lines: these would do nothing there.
    for (const char* option : {"--quiet", "--verbose"})
        if (line.has(option)) {
            std::cerr << "dustlyn: " << option << " goes with --headless (try `dustlyn --headless "
                      << option << "`)\n";
            return 2;
        }
    // A second start while one runs brings that one forward and ends here.
    if (auto answer = askRunningInstance(environment, line))
        return finish(*answer);
    return desktop(environment, line);
}

int help(const CommandLine& line) {
    std::string name = line.command;
    if (name == "help" && !line.wantsHelp()) {
        name.clear();
        for (const auto& word : line.arguments)
            name += (name.empty() ? "" : " ") + word;
    }
    if (name.empty()) {
        std::cout << CommandHelp::overview();
        return 0;
    }
    const auto* declaration = CommandDeclaration::find(name);
    if (!declaration) {
        std::cerr << "dustlyn help: no command '" << name
                  << "' (try `dustlyn help` for the list)\n";
        return 2;
    }
    std::cout << CommandHelp::of(*declaration);
    return 0;
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
    if (line.wantsHelp() || (line.command == "help" && !line.wantsVersion()))
        return help(line);
    if (line.wantsVersion() || line.command == "version") {
        std::cout << "dustlyn " DUSTLYN_VERSION "\n";
        return 0;
    }
    const Environment environment = Environment::fromProcess();
    LegacyMigration::migrateIfNeeded(environment.folders.legacyDirectory(),
                                     ConfigurationStore::defaultStore(environment.folders),
                                     environment.folders);
    const auto* declaration = CommandDeclaration::find(line.command);
    if (declaration->carrier == Carrier::application)
        return startApplication(environment, line, desktop);

    // A one-shot command runs no event loop and starts no timer, so it goes without an
    // application object: making one (its event dispatcher, the locale) costs more than a
    // small sweep does. It also ends soon, which its heap is set up for.
    ShortLivedHeap::prepare();
    switch (declaration->carrier) {
    case Carrier::changes:
        return finish(runChange(environment, withAbsolutePaths(line)));
    case Carrier::status:
        if (auto answer = askRunningInstance(environment, line))
            return finish(*answer);
        break;
    case Carrier::window:
        return finish(runWindowCommand(environment, line));
    default:
        break;
    }
    return runReading(environment, std::chrono::system_clock::now(), line);
}

} // namespace dustlyn

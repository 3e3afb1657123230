#pragma once

#include "app/instance/CommandOutput.h"

#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

class ChangeCommands;
struct CommandLine;

// What a word on the command line stands for, so that help and completion can offer the
// right things.
enum class WordKind {
    text,    // anything
    file,    // a path
    folder,  // a folder
    sweepID, // a sweep's identifier
    rule,    // a rule's name or identifier
    pane,    // a settings pane
    command, // a command's name
    choice,  // one of `choices`
};

// One word after the command: `PATH`, `[SWEEP-ID]`, `PATH…`.
struct ArgumentDeclaration {
    std::string name; // "PATH"
    WordKind kind = WordKind::text;
    bool optional = false;
    bool repeats = false; // the last argument may take several words
    std::string help;
    std::vector<std::string> choices; // accepted values (any case), in the form shown

    bool operator==(const ArgumentDeclaration&) const = default;
};

// One option: `--json`, `--at TIME`, `--folder DIR…`.
struct OptionDeclaration {
    std::string name;      // "--at"
    std::string valueName; // "TIME"; empty for an option without a value
    WordKind kind = WordKind::text;
    bool repeats = false; // may be given again, and takes the words after it up to the next option
    bool required = false;
    std::string help;
    std::vector<std::string> choices;

    bool takesValue() const { return !valueName.empty(); }
    bool operator==(const OptionDeclaration&) const = default;
};

// How a command is carried out.
enum class Carrier {
    application, // `dustlyn` without a command: starts Dustlyn
    reads,       // reads the files itself
    changes,     // by the running instance when there is one, else here under the lock
    status,      // the running instance's answer, else read from the files
    window,      // only a running Dustlyn with windows can answer
    local,       // help and version: nothing is read
};

// Everything about one command in one place: the parser, the help, the manual page, the
// shell completions and the running instance all read it from here.
struct CommandDeclaration {
    using ChangeHandler = CommandOutput (ChangeCommands::*)(const CommandLine&);

    std::string name; // "scan", "rules add"; empty for dustlyn itself
    std::vector<ArgumentDeclaration> arguments;
    std::vector<OptionDeclaration> options;
    Carrier carrier = Carrier::reads;
    std::string summary;     // a few words for the list of commands
    std::string description; // what it does, in sentences
    std::vector<std::string> examples;
    // What the running instance (or the command under the lock) calls.
    ChangeHandler change = nullptr;

    std::size_t minArguments() const;
    std::size_t maxArguments() const;
    const OptionDeclaration* option(std::string_view optionName) const;
    // "dustlyn timer PATH DURATION", options that must be given included.
    std::string usage() const;
    // The words for `dustlyn help NAME`: "dustlyn help rules add".
    std::string helpCommand() const;
    // The sub-commands of this one ("rules" has "rules add", …), in their order.
    std::vector<const CommandDeclaration*> subcommands() const;

    // Every command, in the order `dustlyn help` lists them.
    static const std::vector<CommandDeclaration>& all();
    static const CommandDeclaration* find(std::string_view name);
    // The settings panes `dustlyn settings` opens.
    static const std::vector<std::string>& paneNames();
};

} // namespace dustlyn

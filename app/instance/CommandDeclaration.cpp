#include "app/instance/CommandDeclaration.h"

#include "app/instance/ChangeCommands.h"

#include <limits>

namespace dustlyn {

namespace {

using Kind = WordKind;

OptionDeclaration json() {
    return {"--json", "", Kind::text, false, false, "print JSON for programs instead of text", {}};
}

ArgumentDeclaration files(const std::string& help) {
    return {"PATH", Kind::file, false, true, help, {}};
}

ArgumentDeclaration ruleReference() {
    return {"NAME-OR-ID",
            Kind::rule,
            false,
            false,
            "the rule's name as `dustlyn rules` shows it, or its id from `dustlyn rules --json`",
            {}};
}

// The options that say what a rule is; `rules add` and `rules edit` share them.
std::vector<OptionDeclaration> ruleOptions(bool adding) {
    return {
        {"--folder",
         "DIR",
         Kind::folder,
         true,
         adding,
         adding ? "a folder to watch, with its sub-folders; give several after one --folder"
                : "the folders to watch instead of the rule's own",
         {}},
        {"--ext",
         "EXT",
         Kind::text,
         true,
         false,
         "files ending in .EXT (given without the dot); give several after one --ext",
         {}},
        {"--glob",
         "PATTERN",
         Kind::text,
         true,
         false,
         "files whose whole name fits PATTERN, where * is any run of characters and ? one "
         "character (quote it, so the shell leaves it alone)",
         {}},
        {"--any", "", Kind::text, false, false, "any file at all", {}},
        {"--age",
         "DURATION",
         Kind::text,
         false,
         adding,
         "how old a file must be before it leaves: 90s, 15m, 1h, 3d, 2w",
         {}},
        {"--basis",
         "BASIS",
         Kind::choice,
         false,
         false,
         "which date the age counts from: modification (the default) or creation",
         {"modification", "creation"}},
    };
}

std::vector<CommandDeclaration> declarations() {
    constexpr Carrier reads = Carrier::reads;
    constexpr Carrier changes = Carrier::changes;
    using C = ChangeCommands;

    std::vector<OptionDeclaration> addOptions = ruleOptions(true);
    addOptions.push_back({"--off",
                          "",
                          Kind::text,
                          false,
                          false,
                          "add the rule switched off (`dustlyn rules enable` turns it on)",
                          {}});
    std::vector<OptionDeclaration> editOptions = {
        {"--name", "NAME", Kind::text, false, false, "a new name for the rule", {}}};
    for (auto& option : ruleOptions(false))
        editOptions.push_back(std::move(option));
    editOptions.push_back({"--on", "", Kind::text, false, false, "switch the rule on", {}});
    editOptions.push_back({"--off", "", Kind::text, false, false, "switch the rule off", {}});

    const std::vector<OptionDeclaration> sweepOutput = {
        {"--quiet", "", Kind::text, false, false, "print only what failed", {}},
        {"--verbose",
         "",
         Kind::text,
         false,
         false,
         "name every file, and say so when nothing was due",
         {}},
    };

    std::vector<CommandDeclaration> all = {
        {"",
         {},
         {{"--headless",
           "",
           Kind::text,
           false,
           false,
           "run without any window: watch, sweep and print one report per sweep that did "
           "something, until Ctrl+C or SIGTERM",
           {}},
          {"--notch-demo",
           "NAME",
           Kind::text,
           false,
           false,
           "start the notch's demonstration NAME (not with --headless)",
           {}},
          {"--quiet", "", Kind::text, false, false, "with --headless: print only what failed", {}},
          {"--verbose",
           "",
           Kind::text,
           false,
           false,
           "with --headless: name every file a sweep moved or deleted",
           {}}},
         Carrier::application,
         "start Dustlyn",
         "Starts Dustlyn on the desktop: the notch, the tray item, the folder watcher and the "
         "timers. A second start while one runs brings up the running one's settings window.",
         {"dustlyn", "dustlyn --headless"},
         nullptr},
        {"scan",
         {},
         {{"--at",
           "TIME",
           Kind::text,
           false,
           false,
           "judge what is due at TIME instead of now: 2026-03-01T09:30:00Z, or a local time "
           "such as 2026-03-01T09:30",
           {}},
          json()},
         reads,
         "what the rules and timers claim, and when each file leaves",
         "Lists every file the enabled rules and the timers claim, soonest deadline first, "
         "with where a download came from. Touches nothing.",
         {"dustlyn scan", "dustlyn scan --at 2026-03-01T09:30"},
         nullptr},
        {"sweep",
         {},
         {{"--everything", "", Kind::text, false, false, "move every claimed file, due or not", {}},
          sweepOutput[0],
          sweepOutput[1],
          json()},
         changes,
         "one sweep now",
         "Moves what is due into the quarantine, deletes what has outlived its time there "
         "and empties the Trash when that is switched on; then names the files and the "
         "command that puts them back. Prints nothing when nothing was due.",
         {"dustlyn sweep", "dustlyn sweep --quiet"},
         &C::sweep},
        {"quarantine",
         {},
         {json()},
         reads,
         "what is in the quarantine, soonest expiry first",
         "Lists the quarantined files with when each is deleted and where it came from.",
         {"dustlyn quarantine"},
         nullptr},
        {"restore",
         {files("a quarantined file: its path in the quarantine, or where it came from")},
         {},
         changes,
         "put quarantined files back (and keep them)",
         "Puts each file back where it came from (under a numbered name when that place is "
         "taken) and keeps it, so that no rule takes it again.",
         {"dustlyn restore ~/Desktop/Screenshot.png"},
         &C::restore},
        {"undo",
         {{"SWEEP-ID",
           Kind::sweepID,
           true,
           false,
           "the sweep to undo, as `dustlyn history` shows it; the newest sweep that moved "
           "files when left out",
           {}}},
         {},
         changes,
         "undo a sweep",
         "Puts back every file a sweep moved that is still in the quarantine, and keeps them.",
         {"dustlyn undo", "dustlyn undo 5A0C7D2E-1A2B-4C3D-8E9F-A0B1C2D3E4F5"},
         &C::undo},
        {"keep",
         {files("a file or folder (a symbolic link is refused, never followed)")},
         {},
         changes,
         "keep files forever",
         "Keeps files for good: no rule and no timer touches them until `dustlyn unkeep`.",
         {"dustlyn keep ~/Desktop/keep-me.png"},
         &C::keep},
        {"unkeep",
         {files("a kept file, as `dustlyn kept` lists it")},
         {},
         changes,
         "stop keeping files",
         "Lets the rules take the files again.",
         {"dustlyn unkeep ~/Desktop/keep-me.png"},
         &C::unkeep},
        {"kept",
         {},
         {json()},
         reads,
         "the kept files",
         "Lists the files kept forever, and says which of them are gone.",
         {"dustlyn kept"},
         nullptr},
        {"timer",
         {{"PATH",
           Kind::file,
           false,
           false,
           "the file (a symbolic link is refused, never followed)",
           {}},
          {"DURATION",
           Kind::text,
           false,
           false,
           "how long until it leaves: 90s, 10m, 1h, 2d, 1w",
           {}}},
         {},
         changes,
         "give a file a one-off deadline",
         "The file leaves when DURATION has passed, whatever the rules say.",
         {"dustlyn timer ~/Desktop/notes.pdf 2h"},
         &C::timer},
        {"timers",
         {},
         {json()},
         reads,
         "the one-off deadlines",
         "Lists the files with a timer, soonest first.",
         {"dustlyn timers"},
         nullptr},
        {"remove-now",
         {{"PATH",
           Kind::file,
           false,
           false,
           "the file (a symbolic link is refused, never followed)",
           {}}},
         {},
         changes,
         "send a file to the quarantine at once",
         "Moves the file into the quarantine now, together with anything else that is due.",
         {"dustlyn remove-now ~/Downloads/old.iso"},
         &C::removeNow},
        {"history",
         {},
         {{"--limit", "N", Kind::text, false, false, "only the newest N entries", {}}, json()},
         reads,
         "what was moved, deleted and restored, newest first",
         "Lists the history with each move's rule and sweep id; `dustlyn undo SWEEP-ID` puts "
         "a sweep's files back.",
         {"dustlyn history --limit 20"},
         nullptr},
        {"rules",
         {},
         {json()},
         reads,
         "the rules, each as a sentence",
         "Lists the rules, on or off, each as the sentence it says.",
         {"dustlyn rules"},
         nullptr},
        {"rules add",
         {{"NAME", Kind::text, false, false, "what to call the rule", {}}},
         addOptions,
         changes,
         "add a rule",
         "Adds a rule that moves the files it matches in the folders into the quarantine "
         "once they are old enough. Give the files with --ext, --glob or --any.",
         {"dustlyn rules add Logs --folder ~/Downloads --ext log txt --age 3d",
          "dustlyn rules add 'Old shots' --folder ~/Pictures --glob 'Shot*.png' --age 2w"},
         &C::addRule},
        {"rules edit",
         {ruleReference()},
         editOptions,
         changes,
         "change a rule",
         "Changes what is given and keeps the rest: --folder replaces the folders; --ext, "
         "--glob and --any together replace what the rule matches.",
         {"dustlyn rules edit Logs --age 1w", "dustlyn rules edit Screenshots --folder ~/Desktop"},
         &C::editRule},
        {"rules enable",
         {ruleReference()},
         {},
         changes,
         "switch a rule on",
         "Switches the rule on.",
         {"dustlyn rules enable 'Downloads - Installers'"},
         &C::enableRule},
        {"rules disable",
         {ruleReference()},
         {},
         changes,
         "switch a rule off",
         "Switches the rule off; it claims nothing until it is switched on again.",
         {"dustlyn rules disable Screenshots"},
         &C::disableRule},
        {"rules remove",
         {ruleReference()},
         {},
         changes,
         "remove a rule",
         "Removes the rule for good.",
         {"dustlyn rules remove Logs"},
         &C::removeRule},
        {"rules reset",
         {},
         {},
         changes,
         "go back to the built-in rules",
         "Replaces every rule with the six built-in ones. Kept files, timers and settings stay.",
         {"dustlyn rules reset"},
         &C::resetRules},
        {"pause",
         {},
         {},
         changes,
         "pause the running Dustlyn",
         "Nothing leaves until `dustlyn resume`. Needs a running Dustlyn.",
         {"dustlyn pause"},
         &C::pause},
        {"resume",
         {},
         {},
         changes,
         "resume the running Dustlyn",
         "Undoes `dustlyn pause`; a sweep follows at once.",
         {"dustlyn resume"},
         &C::resume},
        {"status",
         {},
         {json()},
         Carrier::status,
         "whether Dustlyn runs, and what leaves next",
         "Says whether Dustlyn runs or is paused, what leaves next and which folders it "
         "cannot watch.",
         {"dustlyn status"},
         &C::status},
        {"open",
         {},
         {},
         Carrier::window,
         "open the running Dustlyn's panel",
         "Opens the notch's panel, as Ctrl+Alt+P does.",
         {"dustlyn open"},
         nullptr},
        {"toggle",
         {},
         {},
         Carrier::window,
         "open or close the panel",
         "Opens the notch's panel, or closes it when it is open; bind a desktop shortcut to "
         "it where Ctrl+Alt+P cannot be had.",
         {"dustlyn toggle"},
         nullptr},
        {"settings",
         {{"PANE", Kind::pane, true, false, "the pane to show", CommandDeclaration::paneNames()}},
         {},
         Carrier::application,
         "open the settings",
         "Opens the running Dustlyn's settings window, starting Dustlyn when none runs.",
         {"dustlyn settings", "dustlyn settings 'Kept files'"},
         nullptr},
        {"help",
         {{"COMMAND", Kind::command, true, true, "the command to explain", {}}},
         {},
         Carrier::local,
         "the commands, or how one is used",
         "Lists the commands, or explains one of them with its options and an example.",
         {"dustlyn help timer", "dustlyn help rules add"},
         nullptr},
        {"version",
         {},
         {},
         Carrier::local,
         "the version",
         "Prints the version.",
         {"dustlyn version"},
         nullptr},
    };
    return all;
}

} // namespace

const std::vector<std::string>& CommandDeclaration::paneNames() {
    static const std::vector<std::string> names = {"Overview", "Rules", "Notch", "History",
                                                   "Kept files"};
    return names;
}

const std::vector<CommandDeclaration>& CommandDeclaration::all() {
    static const std::vector<CommandDeclaration> table = declarations();
    return table;
}

const CommandDeclaration* CommandDeclaration::find(std::string_view name) {
    for (const auto& declaration : all())
        if (declaration.name == name)
            return &declaration;
    return nullptr;
}

std::size_t CommandDeclaration::minArguments() const {
    std::size_t count = 0;
    for (const auto& argument : arguments)
        if (!argument.optional)
            ++count;
    return count;
}

std::size_t CommandDeclaration::maxArguments() const {
    if (!arguments.empty() && arguments.back().repeats)
        return std::numeric_limits<std::size_t>::max();
    return arguments.size();
}

const OptionDeclaration* CommandDeclaration::option(std::string_view optionName) const {
    for (const auto& declared : options)
        if (declared.name == optionName)
            return &declared;
    return nullptr;
}

std::string CommandDeclaration::usage() const {
    std::string text = name.empty() ? "dustlyn" : "dustlyn " + name;
    for (const auto& argument : arguments) {
        const std::string word = argument.name + (argument.repeats ? "…" : "");
        text += argument.optional ? " [" + word + "]" : " " + word;
    }
    for (const auto& declared : options) {
        std::string word = declared.name;
        if (declared.takesValue())
            word += " " + declared.valueName + (declared.repeats ? "…" : "");
        text += declared.required ? " " + word : " [" + word + "]";
    }
    return text;
}

std::string CommandDeclaration::helpCommand() const {
    return name.empty() ? "dustlyn help" : "dustlyn help " + name;
}

std::vector<const CommandDeclaration*> CommandDeclaration::subcommands() const {
    std::vector<const CommandDeclaration*> found;
    if (name.empty())
        return found;
    const std::string prefix = name + " ";
    for (const auto& declaration : all())
        if (declaration.name.starts_with(prefix))
            found.push_back(&declaration);
    return found;
}

} // namespace dustlyn

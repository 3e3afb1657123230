// The commands about rules and the history, the ones only a running Dustlyn answers, and help.
#include "app/instance/CommandGroups.h"

#include "app/instance/ChangeCommands.h"

namespace dustlyn {

namespace {

using Kind = WordKind;
using C = ChangeCommands;
constexpr Carrier reads = Carrier::reads;
constexpr Carrier changes = Carrier::changes;

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

std::vector<OptionDeclaration> addRuleOptions() {
    std::vector<OptionDeclaration> addOptions = ruleOptions(true);
    addOptions.push_back({"--off",
                          "",
                          Kind::text,
                          false,
                          false,
                          "add the rule switched off (`dustlyn rules enable` turns it on)",
                          {}});
    return addOptions;
}

std::vector<OptionDeclaration> editRuleOptions() {
    std::vector<OptionDeclaration> editOptions = {
        {"--name", "NAME", Kind::text, false, false, "a new name for the rule", {}}};
    for (auto& option : ruleOptions(false))
        editOptions.push_back(std::move(option));
    editOptions.push_back({"--on", "", Kind::text, false, false, "switch the rule on", {}});
    editOptions.push_back({"--off", "", Kind::text, false, false, "switch the rule off", {}});
    return editOptions;
}

} // namespace

std::vector<CommandDeclaration> CommandGroups::listings() {
    return {
        {"history",
         {},
         {{"--limit", "N", Kind::text, false, false, "only the newest N entries", {}},
          CommandGroups::json()},
         reads,
         "what was moved, deleted and restored, newest first",
         "Lists the history with each move's rule and sweep id; `dustlyn undo SWEEP-ID` puts "
         "a sweep's files back.",
         {"dustlyn history --limit 20"},
         nullptr},
        {"rules",
         {},
         {CommandGroups::json()},
         reads,
         "the rules, each as a sentence",
         "Lists the rules, on or off, each as the sentence it says.",
         {"dustlyn rules"},
         nullptr},
    };
}

std::vector<CommandDeclaration> CommandGroups::ruleChanges() {
    return {
        {"rules add",
         {{"NAME", Kind::text, false, false, "what to call the rule", {}}},
         addRuleOptions(),
         changes,
         "add a rule",
         "Adds a rule that moves the files it matches in the folders into the quarantine "
         "once they are old enough. Give the files with --ext, --glob or --any.",
         {"dustlyn rules add Logs --folder ~/Downloads --ext log txt --age 3d",
          "dustlyn rules add 'Old shots' --folder ~/Pictures --glob 'Shot*.png' --age 2w"},
         &C::addRule},
        {"rules edit",
         {ruleReference()},
         editRuleOptions(),
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
    };
}

std::vector<CommandDeclaration> CommandGroups::running() {
    return {
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
         {CommandGroups::json()},
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
    };
}

std::vector<CommandDeclaration> CommandGroups::local() {
    return {
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
}

} // namespace dustlyn

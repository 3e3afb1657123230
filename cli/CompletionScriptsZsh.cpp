// The zsh completion.
#include "cli/CompletionScripts.h"

#include "cli/CompletionWords.h"

#include <algorithm>

namespace dustlyn {

using namespace completion;

namespace {

std::string zshAction(WordKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
    case WordKind::file:
        return "_files";
    case WordKind::folder:
        return "_files -/";
    case WordKind::rule:
        return "_dustlyn_rules";
    case WordKind::command:
        return "(" + joined(topCommands()) + ")";
    case WordKind::pane:
    case WordKind::choice: {
        std::string words;
        for (auto choice : choices) {
            for (auto at = choice.find(' '); at != std::string::npos; at = choice.find(' ', at + 2))
                choice.replace(at, 1, "\\ ");
            words += (words.empty() ? "" : " ") + choice;
        }
        return "(" + words + ")";
    }
    default:
        return " ";
    }
}

std::string zshSpecs(const Command& command) {
    std::string specs;
    for (const auto& option : command.options) {
        specs += " \\\n        '" + std::string(option.repeats ? "*" : "") + option.name + "[" +
                 shortHelp(option.help) + "]";
        if (option.takesValue())
            specs += ":" + option.valueName + ":" + zshAction(option.kind, option.choices);
        specs += "'";
    }
    specs += " \\\n        '--help[how the command is used]'";
    for (std::size_t i = 0; i < command.arguments.size(); ++i) {
        const auto& argument = command.arguments[i];
        const std::string position =
            argument.repeats ? "*" : std::to_string(i + 1) + (argument.optional ? ":" : "");
        specs += " \\\n        '" + position + ":" + argument.name + ":" +
                 zshAction(argument.kind, argument.choices) + "'";
    }
    return specs;
}

std::string zshDescribed(const std::vector<const Command*>& commands) {
    std::string lines;
    for (const auto* command : commands)
        lines += "        '" + command->name.substr(command->name.rfind(' ') + 1) + ":" +
                 shortHelp(command->summary) + "'\n";
    return lines;
}

// The sub-commands as the keys of an associative array: " 'rules add' 1 'rules edit' 1".
std::string subcommandPairs() {
    std::string pairs;
    for (const auto& command : Command::all())
        if (command.name.find(' ') != std::string::npos)
            pairs += " '" + command.name + "' 1";
    return pairs;
}

constexpr std::string_view zshScript = R"sh(#compdef dustlyn

_dustlyn_rules() {
    local -a names
    names=("${(@f)$(@RULE_NAMES@)}")
    compadd -a names
}

_dustlyn() {
    if (( CURRENT == 2 )) && [[ $PREFIX != -* ]]; then
        local -a commands
        commands=(
@COMMANDS@        )
        _describe -t commands 'dustlyn command' commands
        return
    fi
    local command=
    if [[ $words[2] != -* ]]; then
        command=$words[2]
        local sub="$command $words[3]"
        if (( CURRENT > 3 )) && (( ${+_dustlyn_subcommands[$sub]} )); then
            command=$sub
        fi
    fi
    case $command in
@CASES@    *) _message 'no such dustlyn command' ;;
    esac
}

typeset -gA _dustlyn_subcommands
_dustlyn_subcommands=(@SUBCOMMAND_PAIRS@ )

_dustlyn "$@"
)sh";

} // namespace

std::string CompletionScripts::zsh() {
    std::vector<const Command*> top;
    for (const auto& command : Command::all())
        if (!command.name.empty() && command.name.find(' ') == std::string::npos)
            top.push_back(&command);
    std::string cases;
    for (const auto& command : Command::all()) {
        const auto subs = command.subcommands();
        const std::size_t depth =
            command.name.empty() ? 0
                                 : 1 + std::count(command.name.begin(), command.name.end(), ' ');
        std::string body = "_arguments -s" + zshSpecs(command);
        if (!subs.empty())
            body = "if (( CURRENT == " + std::to_string(depth + 1) +
                   " )) && [[ $PREFIX != -* ]]; then\n        local -a subcommands\n"
                   "        subcommands=(\n" +
                   zshDescribed(subs) + "        )\n        _describe -t commands 'dustlyn " +
                   command.name + " command' subcommands\n        return\n    fi\n    " + body;
        cases += "    '" + command.name + "')\n    shift " + std::to_string(depth) +
                 " words; (( CURRENT -= " + std::to_string(depth) + " ))\n    " + body + " ;;\n";
    }
    return filled(zshScript, {{"@RULE_NAMES@", std::string(ruleNamesPipe)},
                              {"@COMMANDS@", zshDescribed(top)},
                              {"@CASES@", cases},
                              {"@SUBCOMMAND_PAIRS@", subcommandPairs()}});
}

} // namespace dustlyn

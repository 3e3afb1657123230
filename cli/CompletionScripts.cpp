#include "cli/CompletionScripts.h"

#include "app/instance/CommandDeclaration.h"

#include <algorithm>
#include <set>

namespace dustlyn {

namespace {

using Command = CommandDeclaration;

// The rule names, read from `dustlyn rules --json` (each "name" line of the pretty JSON).
constexpr const char* ruleNamesPipe =
    R"sh(dustlyn rules --json 2>/dev/null | sed -n 's/^    "name": "\(.*\)",\{0,1\}$/\1/p')sh";

std::string joined(const std::vector<std::string>& words, const std::string& between = " ") {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : between) + word;
    return text;
}

// The first word of every command: "rules" for "rules add" too.
std::vector<std::string> topCommands() {
    std::vector<std::string> names;
    for (const auto& command : Command::all())
        if (!command.name.empty() && command.name.find(' ') == std::string::npos)
            names.push_back(command.name);
    return names;
}

std::vector<std::string> lastWords(const std::vector<const Command*>& commands) {
    std::vector<std::string> words;
    for (const auto* command : commands)
        words.push_back(command->name.substr(command->name.rfind(' ') + 1));
    return words;
}

std::vector<std::string> optionNames(const Command& command) {
    std::vector<std::string> names;
    for (const auto& option : command.options)
        names.push_back(option.name);
    names.push_back("--help");
    if (command.name.empty())
        names.push_back("--version");
    return names;
}

// Every option that takes a value, the same in every command that has it.
std::vector<const OptionDeclaration*> valueOptions() {
    std::vector<const OptionDeclaration*> found;
    std::set<std::string> seen;
    for (const auto& command : Command::all())
        for (const auto& option : command.options)
            if (option.takesValue() && seen.insert(option.name).second)
                found.push_back(&option);
    return found;
}

// A help text cut to its first clause, without the characters the shells' syntax uses.
std::string shortHelp(const std::string& help) {
    std::string text = help.substr(0, help.find_first_of(":;("));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    std::string clean;
    for (const char c : text)
        if (c != '[' && c != ']' && c != '`' && c != '\'' && c != '"' && c != '\\' && c != '$')
            clean += c;
    return clean;
}

// ---- bash ----

std::string bashWordsFor(WordKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
    case WordKind::file:
        return "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\"))";
    case WordKind::folder:
        return "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- \"$cur\"))";
    case WordKind::rule:
        return "_dustlyn_words \"$(" + std::string(ruleNamesPipe) + ")\"";
    case WordKind::command:
        return "COMPREPLY=($(compgen -W \"" + joined(topCommands()) + "\" -- \"$cur\"))";
    case WordKind::pane:
    case WordKind::choice: {
        std::string lines;
        for (const auto& choice : choices)
            lines += (lines.empty() ? "" : "\n") + choice;
        return "_dustlyn_words '" + lines + "'";
    }
    default:
        return "COMPREPLY=()";
    }
}

std::string bashArguments() {
    std::string out;
    for (const auto& command : Command::all()) {
        const auto subs = command.subcommands();
        if (!subs.empty())
            out += "    \"" + command.name + ":0\") COMPREPLY=($(compgen -W \"" +
                   joined(lastWords(subs)) + "\" -- \"$cur\")) ;;\n";
        for (std::size_t i = 0; i < command.arguments.size(); ++i) {
            const auto& argument = command.arguments[i];
            const std::string at = argument.repeats ? "\"*" : std::to_string(i) + "\"";
            out += "    \"" + command.name + ":" + at + ") " +
                   bashWordsFor(argument.kind, argument.choices) + " ;;\n";
        }
    }
    return out;
}

} // namespace

std::string CompletionScripts::bash() {
    std::string valued, repeating, values, options, subcommands;
    for (const auto* option : valueOptions()) {
        valued += " " + option->name;
        if (option->repeats)
            repeating += " " + option->name;
        values += "        " + option->name + ") " + bashWordsFor(option->kind, option->choices) +
                  " ;;\n";
    }
    for (const auto& command : Command::all()) {
        options += "        \"" + command.name + "\") COMPREPLY=($(compgen -W \"" +
                   joined(optionNames(command)) + "\" -- \"$cur\")) ;;\n";
        if (const auto subs = command.subcommands(); !subs.empty())
            subcommands += "            " + command.name + ") case ${COMP_WORDS[2]} in " +
                           joined(lastWords(subs), "|") + ") command=\"" + command.name +
                           " ${COMP_WORDS[2]}\"; first=3 ;; esac ;;\n";
    }
    return R"sh(# bash completion for dustlyn                              -*- shell-script -*-

# Completes from lines of words, which may hold spaces; nothing in them is expanded.
_dustlyn_words()
{
    local word
    COMPREPLY=()
    while IFS= read -r word; do
        [[ -n $word && $word == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$word")")
    done <<< "$1"
}

_dustlyn()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local command= first=1
    if ((COMP_CWORD > 1)) && [[ ${COMP_WORDS[1]} != -* ]]; then
        command=${COMP_WORDS[1]}
        first=2
        if ((COMP_CWORD > 2)); then
            case $command in
)sh" + subcommands +
           R"sh(            esac
        fi
    fi

    # Where the word stands: the value of an option, or the how-manieth argument.
    local n word value_of= position=0
    for ((n = first; n < COMP_CWORD; n++)); do
        word=${COMP_WORDS[n]}
        case $word in
        --*=*) value_of= ;;
        -*) [[ " )sh" +
           valued + R"sh( " == *" $word "* ]] && value_of=$word || value_of= ;;
        *)
            if [[ -n $value_of ]]; then
                # The words after an option that gathers values are its values too.
                [[ " )sh" +
           repeating + R"sh( " == *" $value_of "* ]] || value_of=
            else
                ((position++))
            fi
            ;;
        esac
    done

    if [[ -n $value_of && ( $cur != -* || $prev == "$value_of" ) ]]; then
        case $value_of in
)sh" + values +
           R"sh(        *) COMPREPLY=() ;;
        esac
        return
    fi
    if [[ $cur == -* ]]; then
        case $command in
)sh" + options +
           R"sh(        esac
        return
    fi
    case "$command:$position" in
    ":0") COMPREPLY=($(compgen -W ")sh" +
           joined(topCommands()) + R"sh(" -- "$cur")) ;;
)sh" + bashArguments() +
           R"sh(    *) COMPREPLY=() ;;
    esac
}

complete -F _dustlyn dustlyn
)sh";
}

namespace {

// ---- zsh ----

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
    return R"sh(#compdef dustlyn

_dustlyn_rules() {
    local -a names
    names=("${(@f)$()sh" +
           std::string(ruleNamesPipe) +
           R"sh()}")
    compadd -a names
}

_dustlyn() {
    if (( CURRENT == 2 )) && [[ $PREFIX != -* ]]; then
        local -a commands
        commands=(
)sh" + zshDescribed(top) +
           R"sh(        )
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
)sh" + cases +
           R"sh(    *) _message 'no such dustlyn command' ;;
    esac
}

typeset -gA _dustlyn_subcommands
_dustlyn_subcommands=()sh" +
           [] {
               std::string pairs;
               for (const auto& command : Command::all())
                   if (command.name.find(' ') != std::string::npos)
                       pairs += " '" + command.name + "' 1";
               return pairs;
           }() +
           R"sh( )

_dustlyn "$@"
)sh";
}

namespace {

// ---- fish ----

std::string fishCondition(const Command& command) {
    if (command.name.empty())
        return "__fish_use_subcommand";
    const auto space = command.name.find(' ');
    if (space != std::string::npos)
        return "__fish_seen_subcommand_from " + command.name.substr(0, space) +
               "; and __fish_seen_subcommand_from " + command.name.substr(space + 1);
    const auto subs = command.subcommands();
    std::string condition = "__fish_seen_subcommand_from " + command.name;
    if (!subs.empty())
        condition += "; and not __fish_seen_subcommand_from " + joined(lastWords(subs));
    return condition;
}

std::string fishValues(WordKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
    case WordKind::file:
        return " -F";
    case WordKind::folder:
        return " -x -a '(__fish_complete_directories)'";
    case WordKind::rule:
        return " -x -a '(__dustlyn_rules)'";
    case WordKind::command:
        return " -x -a '" + joined(topCommands()) + "'";
    case WordKind::pane:
    case WordKind::choice: {
        std::string words;
        for (const auto& choice : choices)
            words += (words.empty() ? "" : " ") + std::string("\\\"") + choice + "\\\"";
        return " -x -a \"" + words + "\"";
    }
    default:
        return " -x";
    }
}

} // namespace

std::string CompletionScripts::fish() {
    std::string out = R"sh(# fish completion for dustlyn

function __dustlyn_rules
    )sh" + std::string(ruleNamesPipe) +
                      R"sh(
end

complete -c dustlyn -f
)sh";
    for (const auto& command : Command::all()) {
        const std::string condition = " -n '" + fishCondition(command) + "'";
        if (!command.name.empty() && command.name.find(' ') == std::string::npos)
            out += "complete -c dustlyn -n __fish_use_subcommand -a " + command.name + " -d '" +
                   shortHelp(command.summary) + "'\n";
        for (const auto* sub : command.subcommands())
            out += "complete -c dustlyn" + condition + " -a " +
                   sub->name.substr(sub->name.rfind(' ') + 1) + " -d '" + shortHelp(sub->summary) +
                   "'\n";
        for (const auto& option : command.options)
            out += "complete -c dustlyn" + condition + " -l " + option.name.substr(2) + " -d '" +
                   shortHelp(option.help) + "'" +
                   (option.takesValue() ? fishValues(option.kind, option.choices) : "") + "\n";
        for (const auto& argument : command.arguments)
            if (argument.kind != WordKind::text && argument.kind != WordKind::sweepID)
                out += "complete -c dustlyn" + condition +
                       fishValues(argument.kind, argument.choices) + "\n";
    }
    out += "complete -c dustlyn -s h -l help -d 'how dustlyn or a command is used'\n";
    out += "complete -c dustlyn -n __fish_use_subcommand -s V -l version -d 'the version'\n";
    return out;
}

} // namespace dustlyn

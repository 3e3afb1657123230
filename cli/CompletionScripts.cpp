#include "cli/CompletionScripts.h"

#include "cli/CompletionWords.h"

namespace dustlyn {

using namespace completion;

namespace {

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

constexpr std::string_view bashScript =
    R"sh(# bash completion for dustlyn                              -*- shell-script -*-

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
@SUBCOMMANDS@            esac
        fi
    fi

    # Where the word stands: the value of an option, or the how-manieth argument.
    local n word value_of= position=0
    for ((n = first; n < COMP_CWORD; n++)); do
        word=${COMP_WORDS[n]}
        case $word in
        --*=*) value_of= ;;
        -*) [[ " @VALUED@ " == *" $word "* ]] && value_of=$word || value_of= ;;
        *)
            if [[ -n $value_of ]]; then
                # The words after an option that gathers values are its values too.
                [[ " @REPEATING@ " == *" $value_of "* ]] || value_of=
            else
                ((position++))
            fi
            ;;
        esac
    done

    if [[ -n $value_of && ( $cur != -* || $prev == "$value_of" ) ]]; then
        case $value_of in
@VALUES@        *) COMPREPLY=() ;;
        esac
        return
    fi
    if [[ $cur == -* ]]; then
        case $command in
@OPTIONS@        esac
        return
    fi
    case "$command:$position" in
    ":0") COMPREPLY=($(compgen -W "@COMMANDS@" -- "$cur")) ;;
@ARGUMENTS@    *) COMPREPLY=() ;;
    esac
}

complete -F _dustlyn dustlyn
)sh";

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
    return filled(bashScript, {{"@SUBCOMMANDS@", subcommands},
                               {"@VALUED@", valued},
                               {"@REPEATING@", repeating},
                               {"@VALUES@", values},
                               {"@OPTIONS@", options},
                               {"@COMMANDS@", joined(topCommands())},
                               {"@ARGUMENTS@", bashArguments()}});
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

#pragma once

#include "app/instance/CommandDeclaration.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The words the shell completions are made of, shared by the three shells' scripts.
namespace dustlyn::completion {

using Command = CommandDeclaration;

// The rule names, read from `dustlyn rules --json` (each "name" line of the pretty JSON).
constexpr std::string_view ruleNamesPipe =
    R"sh(dustlyn rules --json 2>/dev/null | sed -n 's/^    "name": "\(.*\)",\{0,1\}$/\1/p')sh";

std::string joined(const std::vector<std::string>& words, const std::string& between = " ");
// The first word of every command: "rules" for "rules add" too.
std::vector<std::string> topCommands();
std::vector<std::string> lastWords(const std::vector<const Command*>& commands);
std::vector<std::string> optionNames(const Command& command);
// Every option that takes a value, the same in every command that has it.
std::vector<const OptionDeclaration*> valueOptions();
// A help text cut to its first clause, without the characters the shells' syntax uses.
std::string shortHelp(const std::string& help);
// `script` with each "@NAME@" given replaced by its text.
std::string filled(std::string_view script,
                   std::initializer_list<std::pair<std::string_view, std::string>> texts);

} // namespace dustlyn::completion

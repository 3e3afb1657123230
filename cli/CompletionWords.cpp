#include "cli/CompletionWords.h"

#include <set>

namespace dustlyn::completion {

std::string joined(const std::vector<std::string>& words, const std::string& between) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : between) + word;
    return text;
}

std::vector<std::string> topCommands() {
    std::vector<std::string> names;
    for (const auto& command : Command::all())
        if (!command.name.empty() && command.name.find(' ') == std::string::npos)
            names.push_back(command.name);
    return names;
}

std::vector<std::string> lastWords(const std::vector<const Command*>& commands) {
    std::vector<std::string> words;
    words.reserve(commands.size());
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

std::vector<const OptionDeclaration*> valueOptions() {
    std::vector<const OptionDeclaration*> found;
    std::set<std::string> seen;
    for (const auto& command : Command::all())
        for (const auto& option : command.options)
            if (option.takesValue() && seen.insert(option.name).second)
                found.push_back(&option);
    return found;
}

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

std::string filled(std::string_view script,
                   std::initializer_list<std::pair<std::string_view, std::string>> texts) {
    std::string out(script);
    for (const auto& [name, text] : texts)
        if (const auto at = out.find(name); at != std::string::npos)
            out.replace(at, name.size(), text);
    return out;
}

} // namespace dustlyn::completion

#include "app/instance/CommandDeclaration.h"

#include "app/instance/CommandGroups.h"

#include <limits>

namespace dustlyn {

const std::vector<std::string>& CommandDeclaration::paneNames() {
    static const std::vector<std::string> names = {"Overview", "Rules", "Notch", "History",
                                                   "Kept files"};
    return names;
}

const std::vector<CommandDeclaration>& CommandDeclaration::all() {
    static const std::vector<CommandDeclaration> table = [] {
        std::vector<CommandDeclaration> commands;
        for (auto group :
             {CommandGroups::start, CommandGroups::sweeps, CommandGroups::keeping,
              CommandGroups::timers, CommandGroups::listings, CommandGroups::ruleChanges,
              CommandGroups::running, CommandGroups::local})
            for (auto& command : group())
                commands.push_back(std::move(command));
        return commands;
    }();
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

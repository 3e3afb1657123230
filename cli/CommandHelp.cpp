#include "cli/CommandHelp.h"

#include "cli/TextTable.h"

#include <sstream>

namespace dustlyn {

namespace {

// Words of `text` in lines of at most `width` columns, each line after the first indented.
std::string wrapped(const std::string& text, std::size_t width, std::size_t indent) {
    std::istringstream words(text);
    std::string out, line, word;
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += line + "\n" + std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
}

// Columns counted in characters, not bytes: the help uses "…".
std::size_t columns(const std::string& text) {
    std::size_t count = 0;
    for (const unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

std::string termOf(const OptionDeclaration& option) {
    return option.takesValue() ? option.name + " " + option.valueName + (option.repeats ? "…" : "")
                               : option.name;
}

std::string termOf(const ArgumentDeclaration& argument) {
    return argument.name + (argument.repeats ? "…" : "");
}

std::string described(const std::string& help, const std::vector<std::string>& choices) {
    if (choices.empty() || help.find(choices.front()) != std::string::npos)
        return help;
    std::string text = help + ": ";
    for (std::size_t i = 0; i < choices.size(); ++i)
        text += (i == 0 ? "" : ", ") + choices[i];
    return text;
}

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows rowsOf(const CommandDeclaration& command) {
    Rows rows;
    for (const auto& argument : command.arguments)
        rows.emplace_back(termOf(argument), described(argument.help, argument.choices));
    for (const auto& option : command.options)
        rows.emplace_back(termOf(option), described(option.help, option.choices));
    return rows;
}

// "  TERM  help", the helps in one column, wrapped to `width`.
std::string rowsText(const Rows& rows, std::size_t width) {
    std::size_t termWidth = 0;
    for (const auto& row : rows)
        termWidth = std::max(termWidth, columns(row.first));
    std::string out;
    for (const auto& [term, help] : rows) {
        const std::size_t indent = 2 + termWidth + 2;
        out += "  " + term + std::string(termWidth - columns(term) + 2, ' ') +
               wrapped(help, width, indent) + "\n";
    }
    return out;
}

} // namespace

std::string CommandHelp::details(const CommandDeclaration& command, std::size_t width) {
    return rowsText(rowsOf(command), width);
}

std::string CommandHelp::of(const CommandDeclaration& command) {
    std::string out = "Usage: " + wrapped(command.usage(), 80, 7) + "\n\n";
    out += wrapped(command.description, 80, 0) + "\n";
    const auto subcommands = command.subcommands();
    if (!command.arguments.empty() || !command.options.empty())
        out += "\n" + details(command);
    if (!subcommands.empty()) {
        out += "\nAlso:\n";
        TextTable table;
        for (const auto* sub : subcommands)
            table.measure({"  " + sub->name, sub->summary});
        for (const auto* sub : subcommands)
            table.write({"  " + sub->name, sub->summary}, out);
    }
    out += command.examples.size() == 1 ? "\nExample:\n" : "\nExamples:\n";
    for (const auto& example : command.examples)
        out += "  " + example + "\n";
    if (!subcommands.empty())
        out += "\nEach has its own help: `dustlyn help " + subcommands.front()->name + "`.\n";
    return out;
}

std::string CommandHelp::overview() {
    std::string out = "Usage: dustlyn [COMMAND] [OPTIONS]\n\n"
                      "Keeps the Desktop, the screenshot folder and Downloads tidy. Without a "
                      "command,\nstarts Dustlyn (--headless: without any window).\n\nCommands:\n";
    TextTable table;
    for (const auto& command : CommandDeclaration::all())
        if (!command.name.empty())
            table.measure({"  " + command.name, command.summary});
    for (const auto& command : CommandDeclaration::all())
        if (!command.name.empty())
            table.write({"  " + command.name, command.summary}, out);
    Rows options = rowsOf(*CommandDeclaration::find(""));
    options.emplace_back("-h, --help", "this help; `dustlyn help COMMAND` explains one command");
    options.emplace_back("-V, --version", "the version");
    out += "\nOptions:\n" + rowsText(options, 80) +
           "\nkeep, timer and remove-now take files only: a symbolic link is refused, never\n"
           "followed, so they never touch what a link leads to (a link in a folder above the\n"
           "file is fine). Exit status: 0 done, 1 a file operation failed or a change could\n"
           "not be saved, 2 a usage error or an unknown path.\n";
    return out;
}

} // namespace dustlyn

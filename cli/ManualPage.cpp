#include "cli/ManualPage.h"

#include "app/instance/CommandDeclaration.h"

#include <sstream>

namespace dustlyn {

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool isPlaceholder(const std::string& word) {
    bool letters = false;
    for (const char c : word) {
        if (c >= 'a' && c <= 'z')
            return false;
        letters = letters || (c >= 'A' && c <= 'Z');
    }
    return letters;
}

// A usage line with the words to type in bold and the words to replace in italics.
std::string usageLine(const std::string& usage) {
    std::istringstream words(usage);
    std::string out, word;
    while (words >> word) {
        std::string open, close;
        while (!word.empty() && word.front() == '[') {
            open += '[';
            word.erase(0, 1);
        }
        while (!word.empty() && word.back() == ']') {
            close += ']';
            word.pop_back();
        }
        const std::string font = isPlaceholder(word) ? "\\fI" : "\\fB";
        out += (out.empty() ? "" : " ") + open + font + ManualPage::escaped(word) + "\\fR" + close;
    }
    return out;
}

void writeTerm(std::string& out, const std::string& term, const std::string& help) {
    out += ".TP\n" + usageLine(term) + "\n" + ManualPage::escaped(help) + "\n";
}

void writeCommand(std::string& out, const CommandDeclaration& command) {
    out += ".SS \"" + ManualPage::escaped(command.name.empty() ? "dustlyn" : command.name) + "\"\n";
    out += usageLine(command.usage()) + "\n.PP\n" + ManualPage::escaped(command.description) + "\n";
    if (!command.arguments.empty() || !command.options.empty()) {
        out += ".RS\n";
        for (const auto& argument : command.arguments)
            writeTerm(out, argument.name + (argument.repeats ? "…" : ""), argument.help);
        for (const auto& option : command.options)
            writeTerm(out,
                      option.takesValue()
                          ? option.name + " " + option.valueName + (option.repeats ? "…" : "")
                          : option.name,
                      option.help);
        out += ".RE\n";
    }
    out += ".PP\n" + std::string(command.examples.size() == 1 ? "Example:" : "Examples:") +
           "\n.RS\n.nf\n";
    for (const auto& example : command.examples)
        out += ManualPage::escaped(example) + "\n";
    out += ".fi\n.RE\n";
}

} // namespace

std::string ManualPage::escaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else if (text.compare(i, 3, "…") == 0) {
            out += "...";
            i += 2;
        } else
            out += c;
    }
    // A line of text must not look like a request.
    std::string safe;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (!safe.empty())
            safe += '\n';
        if (!line.empty() && (line[0] == '.' || line[0] == '\''))
            safe += "\\&";
        safe += line;
    }
    return safe;
}

std::string ManualPage::roff(const std::string& templateText, const std::string& version) {
    std::string commands;
    for (const auto& command : CommandDeclaration::all())
        writeCommand(commands, command);
    std::string page = templateText;
    replaceAll(page, "@VERSION@", version);
    replaceAll(page, "@COMMANDS@\n", commands);
    return page;
}

} // namespace dustlyn

#include "app/instance/CommandLine.h"

#include "app/instance/CommandDeclaration.h"

#include <algorithm>

namespace dustlyn {

namespace {

std::string label(const std::string& command) {
    return command.empty() ? "dustlyn" : "dustlyn " + command;
}

std::string hint(const CommandDeclaration* declaration) {
    return " (try `" + (declaration ? declaration->helpCommand() : std::string("dustlyn help")) +
           "`)";
}

bool isOptionWord(const std::string& word) {
    return word.size() > 1 && word[0] == '-';
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

// The declared form of `value` among `choices`, compared without regard to case; a "-" may
// stand for a space ("kept-files").
std::optional<std::string> chosen(const std::vector<std::string>& choices, std::string value) {
    std::replace(value.begin(), value.end(), '-', ' ');
    for (const auto& choice : choices)
        if (lowered(choice) == lowered(value))
            return choice;
    return std::nullopt;
}

std::string listed(const std::vector<std::string>& choices) {
    std::string text;
    for (std::size_t i = 0; i < choices.size(); ++i)
        text += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
    return text;
}

// Reads the words in order: the command (one or two words), its options and arguments.
class Parser {
public:
    explicit Parser(const std::vector<std::string>& words) : words_(words) {}

    CommandLine parse() {
        for (i_ = 0; i_ < words_.size(); ++i_) {
            const std::string& word = words_[i_];
            if (onlyArguments_ || !isOptionWord(word))
                takeWord(word);
            else if (word == "--")
                onlyArguments_ = true;
            else
                takeOption(word);
        }
        requireDeclaration();
        checkArguments();
        checkRequiredOptions();
        checkOpposites();
        return std::move(line_);
    }

    // Only the command, for -h and -V: the rest may be half typed.
    CommandLine commandOnly(const std::string& flag) {
        for (const auto& word : words_) {
            if (word == "--")
                break;
            if (!isOptionWord(word) && line_.arguments.empty())
                takeWord(word);
        }
        requireDeclaration();
        line_.arguments.clear();
        line_.options[flag];
        return std::move(line_);
    }

private:
    // Options before any command word are dustlyn's own (`dustlyn --headless`).
    void requireDeclaration() {
        if (!declaration_ && !commandGiven_)
            declaration_ = CommandDeclaration::find("");
        if (!declaration_)
            throw UsageError("dustlyn: unknown command '" + line_.command + "'" + hint(nullptr));
    }

    void takeWord(const std::string& word) {
        if (!onlyArguments_ && !commandGiven_ && line_.arguments.empty()) {
            line_.command = word;
            commandGiven_ = true;
            declaration_ = CommandDeclaration::find(word);
            return;
        }
        if (!onlyArguments_ && declaration_ && line_.arguments.empty() &&
            !declaration_->subcommands().empty()) {
            if (const auto* sub = CommandDeclaration::find(line_.command + " " + word)) {
                line_.command = sub->name;
                declaration_ = sub;
                return;
            }
            throw UsageError(label(line_.command) + ": unknown " + line_.command + " command '" +
                             word + "'" + hint(declaration_));
        }
        line_.arguments.push_back(word);
    }

    void takeOption(const std::string& word) {
        requireDeclaration();
        const auto equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const OptionDeclaration* option =
            word.starts_with("--") ? declaration_->option(name) : nullptr;
        if (!option)
            throw UsageError(label(line_.command) + ": unknown option " + name +
                             hint(declaration_));
        auto& values = line_.options[name];
        if (!option->takesValue()) {
            if (equals != std::string::npos)
                throw UsageError(label(line_.command) + ": " + name + " takes no value");
            return;
        }
        if (equals != std::string::npos) {
            values.push_back(checkedValue(*option, word.substr(equals + 1)));
        } else {
            if (i_ + 1 >= words_.size() || words_[i_ + 1].starts_with("--"))
                throw UsageError(label(line_.command) + ": " + name + " needs a value (" +
                                 option->valueName + ")");
            values.push_back(checkedValue(*option, words_[++i_]));
        }
        // `--ext log txt`: the words up to the next option belong to it.
        while (option->repeats && i_ + 1 < words_.size() && !isOptionWord(words_[i_ + 1]))
            values.push_back(checkedValue(*option, words_[++i_]));
    }

    std::string checkedValue(const OptionDeclaration& option, const std::string& value) const {
        if (value.empty())
            throw UsageError(label(line_.command) + ": " + option.name + " needs a value (" +
                             option.valueName + ")");
        if (option.choices.empty())
            return value;
        if (auto choice = chosen(option.choices, value))
            return *choice;
        throw UsageError(label(line_.command) + ": " + option.name + " is " +
                         listed(option.choices) + ", not '" + value + "'");
    }

    void checkArguments() {
        const auto& declared = declaration_->arguments;
        const std::size_t count = line_.arguments.size();
        if (count < declaration_->minArguments())
            throw UsageError(label(line_.command) + ": missing argument " + declared[count].name +
                             hint(declaration_));
        if (count > declaration_->maxArguments())
            throw UsageError(label(line_.command) + ": too many arguments, from '" +
                             line_.arguments[declaration_->maxArguments()] + "' on" +
                             hint(declaration_));
        for (std::size_t i = 0; i < count && i < declared.size(); ++i) {
            if (declared[i].choices.empty())
                continue;
            const auto choice = chosen(declared[i].choices, line_.arguments[i]);
            if (!choice)
                throw UsageError(label(line_.command) + ": no " + lowered(declared[i].name) + " '" +
                                 line_.arguments[i] + "'; there are " +
                                 listed(declared[i].choices));
            line_.arguments[i] = *choice;
        }
    }

    void checkRequiredOptions() const {
        for (const auto& option : declaration_->options)
            if (option.required && !line_.has(option.name))
                throw UsageError(label(line_.command) + ": missing " + option.name + " " +
                                 option.valueName + hint(declaration_));
    }

    // Left alone, the one read last would quietly win.
    void checkOpposites() const {
        static const std::pair<std::string, std::string> opposites[] = {{"--quiet", "--verbose"},
                                                                        {"--on", "--off"}};
        for (const auto& [first, second] : opposites)
            if (line_.has(first) && line_.has(second))
                throw UsageError(label(line_.command) + ": " + first + " and " + second +
                                 " ask for opposite things; give one" + hint(declaration_));
    }

    const std::vector<std::string>& words_;
    std::size_t i_ = 0;
    CommandLine line_;
    const CommandDeclaration* declaration_ = nullptr;
    bool commandGiven_ = false;
    bool onlyArguments_ = false;
};

} // namespace

std::optional<std::string> CommandLine::value(const std::string& option) const {
    const auto found = options.find(option);
    if (found == options.end() || found->second.empty())
        return std::nullopt;
    return found->second.back();
}

std::vector<std::string> CommandLine::values(const std::string& option) const {
    const auto found = options.find(option);
    return found == options.end() ? std::vector<std::string>{} : found->second;
}

CommandLine CommandLine::parse(const std::vector<std::string>& words) {
    for (const auto& word : words) {
        if (word == "--")
            break;
        if (word == "-h" || word == "--help")
            return Parser(words).commandOnly("--help");
        if (word == "-V" || word == "--version")
            return Parser(words).commandOnly("--version");
    }
    return Parser(words).parse();
}

} // namespace dustlyn

#include "app/instance/CommandLine.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>

namespace dustlyn {

namespace {

struct CommandShape {
    const char* name;
    std::size_t minArguments;
    std::size_t maxArguments;
    std::vector<std::string> flags;        // options without a value
    std::vector<std::string> valueOptions; // options that take a value
};

constexpr std::size_t many = std::numeric_limits<std::size_t>::max();

const std::vector<CommandShape>& shapes() {
    static const std::vector<CommandShape> all = {
        {"", 0, 0, {"--headless"}, {"--notch-demo"}},
        {"scan", 0, 0, {"--json"}, {"--at"}},
        {"sweep", 0, 0, {"--everything", "--json"}, {}},
        {"quarantine", 0, 0, {"--json"}, {}},
        {"restore", 1, many, {}, {}},
        {"undo", 0, 1, {}, {}},
        {"keep", 1, many, {}, {}},
        {"unkeep", 1, many, {}, {}},
        {"timer", 2, 2, {}, {}},
        {"remove-now", 1, 1, {}, {}},
        {"history", 0, 0, {"--json"}, {"--limit"}},
        {"rules", 0, 0, {"--json"}, {}},
        {"pause", 0, 0, {}, {}},
        {"resume", 0, 0, {}, {}},
        {"status", 0, 0, {"--json"}, {}},
        {"open", 0, 0, {}, {}},
        {"toggle", 0, 0, {}, {}},
        {"settings", 0, 1, {}, {}},
        {"help", 0, 1, {}, {}},
        {"version", 0, 0, {}, {}},
    };
    return all;
}

const CommandShape* findShape(const std::string& name) {
    for (const auto& shape : shapes())
        if (name == shape.name)
            return &shape;
    return nullptr;
}

bool contains(const std::vector<std::string>& list, const std::string& word) {
    for (const auto& item : list)
        if (item == word)
            return true;
    return false;
}

std::string commandLabel(const std::string& command) {
    return command.empty() ? "dustlyn" : "dustlyn " + command;
}

void checkArgumentCount(const CommandShape& shape, std::size_t count) {
    const std::string label = commandLabel(shape.name);
    if (count < shape.minArguments)
        throw UsageError(label + ": missing argument (try `dustlyn help " + shape.name + "`)");
    if (count > shape.maxArguments)
        throw UsageError(label + ": too many arguments (try `dustlyn help " + shape.name + "`)");
}

} // namespace

std::optional<std::string> CommandLine::value(const std::string& option) const {
    const auto found = options.find(option);
    if (found == options.end())
        return std::nullopt;
    return found->second;
}

CommandLine CommandLine::parse(const std::vector<std::string>& words) {
    CommandLine line;
    std::vector<std::string> rest;
    bool onlyArguments = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (onlyArguments || word.size() < 2 || word.rfind("--", 0) != 0) {
            if (!onlyArguments && line.command.empty() && rest.empty() && word.rfind("-", 0) != 0) {
                line.command = word;
                continue;
            }
            if (!onlyArguments && word.size() > 1 && word[0] == '-')
                throw UsageError(commandLabel(line.command) + ": unknown option " + word +
                                 " (try `dustlyn help`)");
            rest.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyArguments = true;
            continue;
        }
        if (word == "--help") {
            line.options["--help"] = "";
            continue;
        }
        if (word == "--version") {
            line.options["--version"] = "";
            continue;
        }
        const auto equals = word.find('=');
        const std::string name = word.substr(0, equals);
        std::optional<std::string> attached;
        if (equals != std::string::npos)
            attached = word.substr(equals + 1);
        // Values are checked against the command once it is known; remember the raw pair.
        if (attached) {
            line.options[name] = *attached;
        } else if (i + 1 < words.size() &&
                   (name == "--at" || name == "--limit" || name == "--notch-demo")) {
            line.options[name] = words[++i];
        } else {
            line.options[name] = "";
        }
    }
    if (line.has("--help") || line.has("--version"))
        return line;
    const CommandShape* shape = findShape(line.command);
    if (!shape)
        throw UsageError("dustlyn: unknown command '" + line.command + "' (try `dustlyn help`)");
    for (const auto& [name, text] : line.options) {
        const bool isFlag = contains(shape->flags, name);
        const bool takesValue = contains(shape->valueOptions, name);
        if (!isFlag && !takesValue)
            throw UsageError(commandLabel(line.command) + ": unknown option " + name +
                             " (try `dustlyn help " + line.command + "`)");
        if (takesValue && text.empty())
            throw UsageError(commandLabel(line.command) + ": " + name + " needs a value");
        if (isFlag && !text.empty())
            throw UsageError(commandLabel(line.command) + ": " + name + " takes no value");
    }
    checkArgumentCount(*shape, rest.size());
    line.arguments = std::move(rest);
    return line;
}

std::optional<double> CommandLine::parseDuration(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || ptr == text.data())
        return std::nullopt;
    const std::string unit(ptr, end);
    double scale;
    if (unit.empty() || unit == "s")
        scale = 1;
    else if (unit == "m")
        scale = 60;
    else if (unit == "h")
        scale = 3600;
    else if (unit == "d")
        scale = 86400;
    else if (unit == "w")
        scale = 604800;
    else
        return std::nullopt;
    const double seconds = number * scale;
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 100.0 * 365 * 86400)
        return std::nullopt;
    return seconds;
}

namespace {

bool digits(const std::string& text, std::size_t at, std::size_t count, int& out) {
    if (at + count > text.size())
        return false;
    out = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

std::optional<Date> CommandLine::parseTime(const std::string& text) {
    // YYYY-MM-DD[THH:MM[:SS[.fff]]][Z|±HH:MM]
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
        !digits(text, 5, 2, month) || text[7] != '-' || !digits(text, 8, 2, day))
        return std::nullopt;
    std::size_t at = 10;
    double fraction = 0;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
        if (!digits(text, at + 1, 2, hour) || at + 3 >= text.size() || text[at + 3] != ':' ||
            !digits(text, at + 4, 2, minute))
            return std::nullopt;
        at += 6;
        if (at < text.size() && text[at] == ':') {
            if (!digits(text, at + 1, 2, second))
                return std::nullopt;
            at += 3;
            if (at < text.size() && text[at] == '.') {
                std::size_t end = at + 1;
                while (end < text.size() && text[end] >= '0' && text[end] <= '9')
                    ++end;
                if (end == at + 1)
                    return std::nullopt;
                fraction = std::stod("0" + text.substr(at, end - at));
                at = end;
            }
        }
    }
    std::optional<int> offsetSeconds;
    if (at < text.size()) {
        int oh, om;
        if (text[at] == 'Z' && at + 1 == text.size()) {
            offsetSeconds = 0;
        } else if ((text[at] == '+' || text[at] == '-') && digits(text, at + 1, 2, oh) &&
                   at + 3 < text.size() && text[at + 3] == ':' && digits(text, at + 4, 2, om) &&
                   at + 6 == text.size() && oh <= 23 && om <= 59) {
            offsetSeconds = (text[at] == '-' ? -1 : 1) * (oh * 3600 + om * 60);
        } else {
            return std::nullopt;
        }
    }
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year(year), std::chrono::month(unsigned(month)),
                             std::chrono::day(unsigned(day))};
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 60 || year < 1678 || year > 2261)
        return std::nullopt;
    Date result;
    if (offsetSeconds) {
        result = Date(sys_days(ymd) + hours(hour) + minutes(minute) + seconds(second) -
                      seconds(*offsetSeconds));
    } else {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = second;
        local.tm_isdst = -1;
        const std::time_t t = std::mktime(&local);
        if (t == std::time_t(-1))
            return std::nullopt;
        result = system_clock::from_time_t(t);
    }
    return dateAfter(result, fraction);
}

std::string CommandLine::usage() {
    return R"(Usage: dustlyn [COMMAND] [OPTIONS]

Without a command, starts Dustlyn (--headless: without any window).

  scan [--at TIME] [--json]        what the rules and timers claim, and when each file leaves
  sweep [--everything] [--json]    one sweep now
  quarantine [--json]              what is in the quarantine, soonest expiry first
  restore PATH...                  put quarantined files back (and keep them)
  undo [SWEEP-ID]                  undo a sweep (the newest that moved files by default)
  keep PATH...                     keep files forever
  unkeep PATH...                   stop keeping files
  timer PATH DURATION              give a file a one-off deadline (90s, 10m, 1h, 2d, 1w)
  remove-now PATH                  send a file to the quarantine at once
  history [--limit N] [--json]     the history, newest first
  rules [--json]                   the rules, each as a sentence
  pause | resume | status          pause or resume the running Dustlyn; what leaves next
  open | toggle | settings [PANE]  show the running Dustlyn's panel or settings

TIME is ISO 8601: 2026-03-01T09:30:00Z, or a local time without zone (2026-03-01T09:30).
keep, timer and remove-now take files only: a symbolic link is refused, never followed, so
they never touch what a link leads to (a link in a folder above the file is fine).
)";
}

} // namespace dustlyn

#pragma once

#include "core/base/Date.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dustlyn {

// A mistake in how dustlyn was called; the message says what to type instead.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One parsed call: `dustlyn COMMAND [ARGUMENT...] [--OPTION [VALUE...]...]`, checked against
// the command's declaration.
struct CommandLine {
    std::string command; // "scan", "rules add"; empty: start the application
    std::vector<std::string> arguments;
    // "--json" -> {}, "--at" -> {"2026-…"}, "--ext" -> {"log", "txt"}
    std::map<std::string, std::vector<std::string>> options;

    bool has(const std::string& option) const { return options.contains(option); }
    // The option's value (the last one given), or nothing.
    std::optional<std::string> value(const std::string& option) const;
    std::vector<std::string> values(const std::string& option) const;
    // -h or --help, -V or --version: the command is then all that was read of the rest.
    bool wantsHelp() const { return has("--help"); }
    bool wantsVersion() const { return has("--version"); }

    // Throws UsageError for an unknown command or option, a missing or surplus argument, or
    // a value that is missing or not among the option's choices.
    static CommandLine parse(const std::vector<std::string>& words);

    bool operator==(const CommandLine&) const = default;

    // Seconds in "90s", "10m", "1.5h", "2d", "1w" (or plain seconds); nothing when malformed.
    static std::optional<double> parseDuration(const std::string& text);
    // "2026-03-01T09:30:00Z", "…+01:00", or a local time without zone ("2026-03-01T09:30").
    static std::optional<Date> parseTime(const std::string& text);
};

} // namespace dustlyn

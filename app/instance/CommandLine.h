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

// One parsed call: `dustlyn COMMAND [ARGUMENT...] [--OPTION [VALUE]...]`.
struct CommandLine {
    std::string command; // empty: start the application
    std::vector<std::string> arguments;
    std::map<std::string, std::string> options; // "--json" -> "", "--at" -> "2026-…"

    bool has(const std::string& option) const { return options.contains(option); }
    std::optional<std::string> value(const std::string& option) const;

    // Throws UsageError for an unknown command or option, or a missing value.
    static CommandLine parse(const std::vector<std::string>& words);

    // Seconds in "90s", "10m", "1.5h", "2d", "1w" (or plain seconds); nothing when malformed.
    static std::optional<double> parseDuration(const std::string& text);
    // "2026-03-01T09:30:00Z", "…+01:00", or a local time without zone ("2026-03-01T09:30").
    static std::optional<Date> parseTime(const std::string& text);

    static std::string usage();
};

} // namespace dustlyn

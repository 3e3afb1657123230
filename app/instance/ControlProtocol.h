#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"

#include <optional>
#include <string>

namespace dustlyn {

// One request and one answer per connection on the control socket, each a line of JSON.
struct ControlProtocol {
    static std::string encodeRequest(const CommandLine& line);
    static std::optional<CommandLine> decodeRequest(const std::string& text);
    static std::string encodeAnswer(const CommandOutput& output);
    static std::optional<CommandOutput> decodeAnswer(const std::string& text);

    // Requests and answers larger than this are refused (a bounded read of untrusted input).
    static constexpr std::size_t maxMessage = 16 * 1024 * 1024;
};

} // namespace dustlyn

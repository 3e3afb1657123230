#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"
#include "core/quarantine/MoveProgress.h"

#include <optional>
#include <string>
#include <variant>

namespace dustlyn {

// One request and one answer per connection on the control socket, each a line of JSON.
// A caller that asks for progress may get progress lines before the answer.
struct ControlProtocol {
    struct Request {
        CommandLine line;
        bool progress = false; // the caller shows a progress line

        bool operator==(const Request&) const = default;
    };
    // A line the running instance sends back: how a sweep comes along, or the answer.
    using Reply = std::variant<MoveProgress, CommandOutput>;

    static std::string encodeRequest(const Request& request);
    static std::optional<Request> decodeRequest(const std::string& text);
    static std::string encodeProgress(const MoveProgress& progress);
    static std::string encodeAnswer(const CommandOutput& output);
    static std::optional<Reply> decodeReply(const std::string& text);

    // Requests and answers larger than this are refused (a bounded read of untrusted input).
    static constexpr std::size_t maxMessage = std::size_t{16} * 1024 * 1024;
};

} // namespace dustlyn

#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace dustlyn {

struct QuarantineOutcome {
    std::string original;
    std::optional<std::string> quarantined; // absent when the move failed
    bool success = false;
    std::optional<std::string> error; // the system's message; absent on success

    bool operator==(const QuarantineOutcome&) const = default;
};

nlohmann::ordered_json toJson(const QuarantineOutcome& outcome);

} // namespace dustlyn

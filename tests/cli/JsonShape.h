#pragma once

#include <nlohmann/json.hpp>

#include <set>
#include <string>

namespace dustlyn::testing {

// The names of an object's members.
std::set<std::string> keysOf(const nlohmann::json& object);
bool isUuid(const nlohmann::json& value);
// Seconds since 1970 of an ISO 8601 UTC date with whole seconds ("2026-03-01T09:30:00Z");
// throws std::invalid_argument for another form.
long long utcSeconds(const nlohmann::json& value);
// Parses, or gives a discarded value (is_discarded()) when the text is not JSON.
nlohmann::json parseOrDiscard(const std::string& text);

} // namespace dustlyn::testing

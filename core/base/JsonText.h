#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace dustlyn {

// The stored-file form: two-space indentation, one member per line, " : " between name
// and value, keys in ascending order at every level, every "/" written as "\/", UTF-8.
std::string writePrettyJson(const nlohmann::json& value);

// Appends `text` as a JSON string in the stored form ("/" as "\\/", control characters
// escaped, UTF-8 as it is). True when the text was plain ASCII.
bool appendJsonString(std::string& out, std::string_view text);

// Text of a double as stored: integral values without a fraction ("300"), others in
// their shortest exact form ("0.5").
std::string formatJsonNumber(double value);

} // namespace dustlyn

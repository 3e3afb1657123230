#include "tests/cli/JsonShape.h"

#include <ctime>
#include <regex>
#include <stdexcept>

namespace dustlyn::testing {

std::set<std::string> keysOf(const nlohmann::json& object) {
    std::set<std::string> keys;
    if (object.is_object())
        for (const auto& item : object.items())
            keys.insert(item.key());
    return keys;
}

long long utcSeconds(const nlohmann::json& value) {
    static const std::regex form(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");
    std::tm parts{};
    if (!value.is_string() || !std::regex_match(value.get<std::string>(), form) ||
        !::strptime(value.get<std::string>().c_str(), "%Y-%m-%dT%H:%M:%SZ", &parts))
        throw std::invalid_argument("not an ISO 8601 UTC date: " + value.dump());
    return static_cast<long long>(::timegm(&parts));
}

bool isUuid(const nlohmann::json& value) {
    static const std::regex form(
        R"([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})");
    return value.is_string() && std::regex_match(value.get<std::string>(), form);
}

nlohmann::json parseOrDiscard(const std::string& text) {
    return nlohmann::json::parse(text, nullptr, false);
}

} // namespace dustlyn::testing

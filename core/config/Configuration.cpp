#include "core/config/Configuration.h"

#include "core/base/DecodingError.h"
#include "core/base/Paths.h"
#include "core/config/DefaultRules.h"
#include "core/config/DurationText.h"

#include <cmath>

namespace dustlyn {

namespace fs = std::filesystem;
using Json = nlohmann::json;

Configuration Configuration::defaults(const UserFolders& folders) {
    Configuration configuration;
    configuration.rules = DefaultRules::all(folders);
    configuration.quarantineDirectory = folders.defaultQuarantineText();
    return configuration;
}

std::set<fs::path> Configuration::pinURLs(const fs::path& home) const {
    std::set<fs::path> urls;
    for (const auto& pin : pins)
        urls.insert(resolveText(pin, home));
    return urls;
}

std::map<fs::path, Date> Configuration::timerURLs(const fs::path& home) const {
    std::map<fs::path, Date> urls;
    // A timer names a file to move: a link among its folders is fine, but a timer on a link
    // times the link (which no sweep moves), never the file it leads to.
    for (const auto& [path, date] : timers)
        urls[resolveFolderPart(expandTilde(path, home))] = date;
    return urls;
}

fs::path Configuration::quarantineURL(const fs::path& home) const {
    return resolveText(quarantineDirectory, home);
}

std::vector<fs::path> Configuration::excludedFolders(const fs::path& home,
                                                     const fs::path& supportFolder) const {
    return {resolvePath(quarantineURL(home)), resolvePath(supportFolder)};
}

std::string Configuration::quarantineTTLFormatted() const {
    return DurationText::longText(quarantineTTL);
}

Json toJson(const Configuration& configuration) {
    Json rules = Json::array();
    for (const auto& rule : configuration.rules)
        rules.push_back(toJson(rule));
    Json timers = Json::object();
    for (const auto& [path, date] : configuration.timers)
        timers[path] = formatRfc3339(date);
    return {{"rules", std::move(rules)},
            {"pins", configuration.pins},
            {"timers", std::move(timers)},
            {"checkInterval", configuration.checkInterval},
            {"quarantineDirectory", configuration.quarantineDirectory},
            {"quarantineTTL", configuration.quarantineTTL},
            {"emptyTrash", configuration.emptyTrash},
            {"showMenuBarIcon", configuration.showMenuBarIcon},
            {"notch", toJson(configuration.notch)},
            {"onboardingCompleted", configuration.onboardingCompleted}};
}

namespace {

// The value of `key`, or nothing when it is absent or null (both keep the default).
const Json* present(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

DecodingError wrongType(const char* key, const char* expected) {
    return DecodingError(std::string("Configuration key \"") + key + "\" is not " + expected);
}

std::vector<PurgeRule> decodeRules(const Json& value) {
    if (!value.is_array())
        throw wrongType("rules", "an array");
    std::vector<PurgeRule> rules;
    rules.reserve(value.size());
    for (const auto& rule : value)
        rules.push_back(purgeRuleFromJson(rule));
    return rules;
}

std::vector<std::string> decodePins(const Json& value) {
    if (!value.is_array())
        throw wrongType("pins", "an array");
    std::vector<std::string> pins;
    pins.reserve(value.size());
    for (const auto& pin : value) {
        if (!pin.is_string())
            throw wrongType("pins", "an array of strings");
        pins.push_back(pin.get<std::string>());
    }
    return pins;
}

std::map<std::string, Date> decodeTimers(const Json& value) {
    if (!value.is_object())
        throw wrongType("timers", "an object");
    std::map<std::string, Date> timers;
    for (auto it = value.begin(); it != value.end(); ++it) {
        const auto date =
            it.value().is_string() ? parseRfc3339(it.value().get<std::string>()) : std::nullopt;
        if (!date)
            throw DecodingError("Timer of \"" + it.key() + "\" is not a date");
        timers.emplace(it.key(), *date);
    }
    return timers;
}

double decodeNumber(const Json& value, const char* key) {
    if (!value.is_number())
        throw wrongType(key, "a number");
    return value.get<double>();
}

std::string decodeString(const Json& value, const char* key) {
    if (!value.is_string())
        throw wrongType(key, "a string");
    return value.get<std::string>();
}

bool decodeBool(const Json& value, const char* key) {
    if (!value.is_boolean())
        throw wrongType(key, "a boolean");
    return value.get<bool>();
}

// The number's text as the file has it; a value beyond every double reads as infinite.
std::string numberText(const Json& value) {
    const double number = value.get<double>();
    return std::isfinite(number) ? value.dump() : "too large a number";
}

// A period that must be more than 0 seconds, or the default with a sentence saying so.
double decodePeriod(const Json& value, const char* key, double fallback,
                    std::vector<std::string>& corrections) {
    const double number = decodeNumber(value, key);
    if (std::isfinite(number) && number > 0)
        return number;
    corrections.push_back(std::string(key) + " " + numberText(value) +
                          " is not a length of time; the default of " +
                          DurationText::longText(fallback) + " stands in");
    return fallback;
}

// A rule whose age is below 0 would claim every file it matches as long overdue.
void switchOffRulesWithoutAnAge(std::vector<PurgeRule>& rules, const Json& stored,
                                std::vector<std::string>& corrections) {
    for (std::size_t i = 0; i < rules.size(); ++i) {
        PurgeRule& rule = rules[i];
        if (std::isfinite(rule.ageThreshold) && rule.ageThreshold >= 0)
            continue;
        corrections.push_back("the rule \"" + rule.name + "\" has the age " +
                              numberText(stored[i].at("ageThreshold")) +
                              ", which is not a length of time; the rule is off until its age "
                              "is set");
        rule.enabled = false;
        rule.ageThreshold = 0;
    }
}

Configuration decode(const Json& value, Configuration configuration,
                     std::vector<std::string>& corrections) {
    if (!value.is_object())
        throw DecodingError("A configuration must be an object");
    if (const Json* v = present(value, "rules")) {
        configuration.rules = decodeRules(*v);
        switchOffRulesWithoutAnAge(configuration.rules, *v, corrections);
    }
    if (const Json* v = present(value, "pins"))
        configuration.pins = decodePins(*v);
    if (const Json* v = present(value, "timers"))
        configuration.timers = decodeTimers(*v);
    if (const Json* v = present(value, "checkInterval"))
        configuration.checkInterval =
            decodePeriod(*v, "checkInterval", configuration.checkInterval, corrections);
    if (const Json* v = present(value, "quarantineDirectory"))
        configuration.quarantineDirectory = decodeString(*v, "quarantineDirectory");
    if (const Json* v = present(value, "quarantineTTL"))
        configuration.quarantineTTL =
            decodePeriod(*v, "quarantineTTL", configuration.quarantineTTL, corrections);
    if (const Json* v = present(value, "emptyTrash"))
        configuration.emptyTrash = decodeBool(*v, "emptyTrash");
    if (const Json* v = present(value, "showMenuBarIcon"))
        configuration.showMenuBarIcon = decodeBool(*v, "showMenuBarIcon");
    if (const Json* v = present(value, "notch"))
        configuration.notch = notchSettingsFromJson(*v);
    if (const Json* v = present(value, "onboardingCompleted"))
        configuration.onboardingCompleted = decodeBool(*v, "onboardingCompleted");
    return configuration;
}

} // namespace

Configuration configurationFromJson(const Json& value, const Configuration& defaults,
                                    std::vector<std::string>* corrections) {
    std::vector<std::string> found;
    try {
        Configuration configuration = decode(value, defaults, found);
        if (corrections)
            corrections->insert(corrections->end(), found.begin(), found.end());
        return configuration;
    } catch (const Json::exception& error) {
        // Callers handle one kind of failure, whichever layer noticed it.
        throw DecodingError(error.what());
    }
}

} // namespace dustlyn

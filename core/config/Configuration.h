#pragma once

#include "core/base/Date.h"
#include "core/config/NotchSettings.h"
#include "core/config/UserFolders.h"
#include "core/rules/PurgeRule.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace dustlyn {

// The one record of the user's settings.
struct Configuration {
    std::vector<PurgeRule> rules;
    std::vector<std::string> pins;      // kept files; "~" accepted
    std::map<std::string, Date> timers; // path -> moment the file becomes due
    double checkInterval = 300;         // seconds between periodic sweeps
    std::string quarantineDirectory;    // as the user sees it, may start with "~"
    double quarantineTTL = 604800;      // seconds a file stays in quarantine
    bool emptyTrash = false;
    bool showMenuBarIcon = false;
    NotchSettings notch;
    bool onboardingCompleted = false;

    // Every field at its default: the built-in rules (with this run's identifiers) and the
    // quarantine under the support folder.
    static Configuration defaults(const UserFolders& folders);

    // Derived locations, "~" expanded against `home` and symbolic links resolved.
    std::set<std::filesystem::path> pinURLs(const std::filesystem::path& home) const;
    std::map<std::filesystem::path, Date> timerURLs(const std::filesystem::path& home) const;
    std::filesystem::path quarantineURL(const std::filesystem::path& home) const;
    std::string quarantineTTLFormatted() const;

    bool operator==(const Configuration&) const = default;
};

// All ten keys; dates as RFC 3339 UTC whole seconds.
nlohmann::json toJson(const Configuration& configuration);
// Absent or null keys keep `defaults`' values; a present key that fails to decode fails
// the whole record (DecodingError or the JSON reader's error). Unknown keys are ignored.
Configuration configurationFromJson(const nlohmann::json& value, const Configuration& defaults);

} // namespace dustlyn

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

    // Derived locations, "~" expanded against `home` and symbolic links resolved (for timers,
    // only in the folders: a timer on a link stays on the link).
    std::set<std::filesystem::path> pinURLs(const std::filesystem::path& home) const;
    std::map<std::filesystem::path, Date> timerURLs(const std::filesystem::path& home) const;
    std::filesystem::path quarantineURL(const std::filesystem::path& home) const;
    // The folders a scan never claims files in, whatever the rules say: the quarantine and the
    // folder of Dustlyn's own files (`supportFolder`), resolved.
    std::vector<std::filesystem::path>
    excludedFolders(const std::filesystem::path& home,
                    const std::filesystem::path& supportFolder) const;
    std::string quarantineTTLFormatted() const;

    bool operator==(const Configuration&) const = default;
};

// All ten keys; dates as RFC 3339 UTC whole seconds.
nlohmann::json toJson(const Configuration& configuration);
// Absent or null keys keep `defaults`' values; a present key that fails to decode fails
// the whole record (DecodingError or the JSON reader's error). Unknown keys are ignored.
// A number that cannot be a length of time (a check interval or a retention that is not
// more than 0, a rule's age below 0) is never taken as "already due": the interval and the
// retention keep their defaults and such a rule is switched off (its age set to 0), each
// with a sentence added to `corrections` when it is given.
Configuration configurationFromJson(const nlohmann::json& value, const Configuration& defaults,
                                    std::vector<std::string>* corrections = nullptr);

} // namespace dustlyn

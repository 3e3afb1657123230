#include "app/onboarding/FolderChoice.h"

#include <algorithm>

namespace dustlyn {

namespace {

bool named(const PurgeRule& rule, const std::vector<std::string>& names) {
    return std::find(names.begin(), names.end(), rule.name) != names.end();
}

} // namespace

std::vector<FolderChoice> FolderChoice::all(const UserFolders& folders) {
    return {
        {"desktop",
         "Screenshots and recordings",
         "Desktop and your Screenshots folder · after 15 minutes",
         folders.desktop,
         {"Screenshots", "Screen Recordings"}},
        {"downloads",
         "Installers and archives",
         "Downloads · .deb, .rpm and .AppImage after 1 day, .zip after 3 days",
         folders.downloads,
         {"Downloads - Installers", "Downloads - Archives"}},
    };
}

bool FolderChoice::enabled(const std::vector<PurgeRule>& rules) const {
    return std::any_of(rules.begin(), rules.end(), [this](const PurgeRule& rule) {
        return rule.enabled && named(rule, ruleNames);
    });
}

std::vector<Uuid> FolderChoice::ruleIDs(const std::vector<PurgeRule>& rules) const {
    std::vector<Uuid> ids;
    for (const PurgeRule& rule : rules)
        if (named(rule, ruleNames))
            ids.push_back(rule.id);
    return ids;
}

} // namespace dustlyn

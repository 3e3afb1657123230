#pragma once

#include "core/base/Uuid.h"
#include "core/config/UserFolders.h"
#include "core/rules/PurgeRule.h"

#include <string>
#include <vector>

namespace dustlyn {

// One card of the onboarding's folder step: a folder and the built-in rules that clean it,
// switched together.
struct FolderChoice {
    std::string id; // "desktop" or "downloads"
    std::string title;
    std::string detail;
    std::string path; // the XDG user folder, with "~" for the home folder
    std::vector<std::string> ruleNames;

    // The Desktop (with the screenshot rules) and Downloads (installers and archives), in
    // this order, at the user's own folders.
    static std::vector<FolderChoice> all(const UserFolders& folders);

    // True when one of the card's rules is on.
    bool enabled(const std::vector<PurgeRule>& rules) const;
    // The identifiers of the card's rules, in rule order.
    std::vector<Uuid> ruleIDs(const std::vector<PurgeRule>& rules) const;

    bool operator==(const FolderChoice&) const = default;
};

} // namespace dustlyn

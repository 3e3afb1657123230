#pragma once

#include "core/config/UserFolders.h"
#include "core/rules/PurgeRule.h"

#include <vector>

namespace dustlyn {

// The six built-in rules. Each gets a random identifier the first time it is needed in a
// run and keeps it for the rest of the run; folders follow the user's XDG directories.
struct DefaultRules {
    static PurgeRule screenshots(const UserFolders& folders);
    static PurgeRule screenRecordings(const UserFolders& folders);
    static PurgeRule downloadsInstallers(const UserFolders& folders);
    static PurgeRule downloadsArchives(const UserFolders& folders);
    static PurgeRule downloadsStale(const UserFolders& folders);
    static PurgeRule desktopClutter(const UserFolders& folders);
    // In scanning order: screenshots, screen recordings, installers, archives, stale, desktop.
    static std::vector<PurgeRule> all(const UserFolders& folders);
};

} // namespace dustlyn

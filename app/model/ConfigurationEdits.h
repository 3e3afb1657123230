#pragma once

#include "core/config/Configuration.h"
#include "core/config/UserFolders.h"

#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// The changes the user's actions make to a configuration, and the look-ups they stand on. An
// edit is made on a copy of the configuration before it is saved, so each is a plain function
// of that copy.
struct ConfigurationEdits {
    // The rule with `id`, or null.
    static PurgeRule* rule(Configuration& config, const Uuid& id);
    static const PurgeRule* rule(const Configuration& config, const Uuid& id);
    // Whether `path` is on the kept-files list.
    static bool isKept(const Configuration& config, const std::string& path);

    // Keeps the file: a kept file has no timer.
    static void keep(Configuration& config, const std::string& path);
    // Times the file: a timed file is no longer kept.
    static void setTimer(Configuration& config, const std::string& path, Date due);
    // Puts a file's kept flag and timer as given.
    static void setFileSettings(Configuration& config, const std::string& path, bool kept,
                                std::optional<Date> timer);

    static void toggleRule(Configuration& config, const Uuid& id);
    // Replaces the rule of the same id; nothing when there is none.
    static void replaceRule(Configuration& config, const PurgeRule& rule);
    static void removeRule(Configuration& config, const Uuid& id);
    static void setRulesEnabled(Configuration& config, const std::vector<Uuid>& ids, bool enabled);

    // The general settings a user may change at once; what is not given stays.
    struct General {
        std::optional<double> checkInterval;
        std::optional<std::string> quarantineDirectory;
        std::optional<double> quarantineTTL;
        std::optional<bool> emptyTrash;
    };
    // Applies what is usable. A quarantine folder that would hold the user's own files is
    // refused with the reason for the user; a chosen folder that already holds files gets a
    // dedicated sub-folder.
    static std::optional<std::string> applyGeneral(Configuration& config, const General& general,
                                                   const UserFolders& folders);
};

} // namespace dustlyn

#pragma once

#include "core/config/ConfigurationStore.h"

#include <filesystem>

namespace dustlyn {

// Carries the settings and the quarantine of the earlier folder name over, once.
struct LegacyMigration {
    static constexpr const char* legacyName = "Kelvo";

    // Never fails and deletes nothing. Does nothing once store.url() exists.
    static void migrateIfNeeded(const std::filesystem::path& legacyFolder,
                                const ConfigurationStore& store, const UserFolders& folders);
};

} // namespace dustlyn

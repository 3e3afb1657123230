#pragma once

#include "core/config/Configuration.h"

#include <filesystem>
#include <string>

namespace dustlyn {

// Reads and writes the configuration file.
class ConfigurationStore {
public:
    // `defaults` is what load() answers when the file is missing or unusable.
    ConfigurationStore(std::filesystem::path url, Configuration defaults);

    // supportDirectory/config.json with the defaults for `folders`.
    static ConfigurationStore defaultStore(const UserFolders& folders);
    static std::filesystem::path supportDirectory(const UserFolders& folders);

    const std::filesystem::path& url() const { return url_; }
    const Configuration& defaults() const { return defaults_; }

    // Never fails: a missing, unreadable or undecodable file gives the defaults.
    Configuration load() const;
    // Creates the folder, writes the file atomically and durably; throws FileError.
    void save(const Configuration& configuration) const;

    // The exact bytes save() writes.
    static std::string encode(const Configuration& configuration);

private:
    std::filesystem::path url_;
    Configuration defaults_;
};

} // namespace dustlyn

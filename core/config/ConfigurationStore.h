#pragma once

#include "core/config/Configuration.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// What reading the configuration file found, besides the configuration itself.
struct ConfigurationReadout {
    Configuration configuration;
    // The file is there but could not be read or decoded: `configuration` is the defaults,
    // nothing may be purged on them and nothing is saved over the file.
    std::optional<std::string> damage;
    // Where the damaged bytes are kept beside it (when they could be read and kept).
    std::optional<std::filesystem::path> keptCopy;
    // Values that could not be used and what stands in for them, one sentence each.
    std::vector<std::string> corrections;
    // What the file held, when it could be read: a reader can tell a later change by it.
    std::optional<std::string> bytes;

    // The lines that tell the user, one per problem, naming the file `url`.
    std::vector<std::string> notices(const std::filesystem::path& url) const;

    bool operator==(const ConfigurationReadout&) const = default;
};

// Reads and writes the configuration file.
class ConfigurationStore {
public:
    // `defaults` is what load() answers when the file is missing or unusable. With `folders`,
    // a quarantine setting that would hold the user's own files is refused on reading.
    ConfigurationStore(std::filesystem::path url, Configuration defaults,
                       std::optional<UserFolders> folders = std::nullopt);

    // supportDirectory/config.json with the defaults for `folders`.
    static ConfigurationStore defaultStore(const UserFolders& folders);
    static std::filesystem::path supportDirectory(const UserFolders& folders);

    const std::filesystem::path& url() const { return url_; }
    const Configuration& defaults() const { return defaults_; }

    // Never fails: a missing, unreadable or undecodable file gives the defaults. Writes nothing.
    Configuration load() const;
    // load() with what was wrong: values set aside, and for a damaged file why (and a copy
    // of it kept earlier). Writes nothing.
    ConfigurationReadout inspect() const;
    // inspect(), and for a damaged file a copy of its bytes kept beside it (config.json.damaged,
    // or the next free name; an older copy is never overwritten, the same bytes not kept twice).
    ConfigurationReadout read() const;
    // Creates the folder, writes the file atomically and durably; throws FileError. A file
    // that is there but cannot be read or decoded is never replaced: the save then fails.
    // Returns the bytes written.
    std::string save(const Configuration& configuration) const;

    // The exact bytes save() writes.
    static std::string encode(const Configuration& configuration);

private:
    std::filesystem::path url_;
    Configuration defaults_;
    std::optional<UserFolders> folders_;
};

} // namespace dustlyn

#pragma once

#include "core/config/ConfigurationStore.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// The configuration as its file holds it: read once at the start, saved after each change, and
// read again when someone else changed the file. Knows the file's bytes as last read or
// written, so that its own saves are never taken for an edit made outside.
class ConfigurationFile {
public:
    explicit ConfigurationFile(ConfigurationStore store);

    const ConfigurationStore& store() const { return store_; }
    const Configuration& config() const { return config_; }
    // Holds `config` (unsaved); true when it differs from what was held.
    bool set(Configuration config);
    // Writes what is held. False when the file could not be written: it keeps its old content,
    // and lastSaveError() says why.
    bool save();
    const std::string& lastSaveError() const { return lastSaveError_; }
    std::uint64_t saveFailures() const { return saveFailures_; }

    // The file could not be read: what is held are the defaults.
    bool unreadable() const { return unreadable_; }
    // What is wrong with the file, one line each for the user.
    const std::vector<std::string>& notices() const { return notices_; }

    // The file as someone else left it, when it changed since it was last read or written.
    // Nothing when it is unchanged, removed or unreadable; a removal and a file that cannot be
    // read are told through `notice`, the same complaint once.
    std::optional<ConfigurationReadout>
    changedOutside(const std::function<void(const std::string&)>& notice);
    // Holds what changedOutside() read; true when the configuration differs from the one held.
    bool takeUp(ConfigurationReadout readout);

private:
    ConfigurationStore store_;
    Configuration config_;
    // What the file held when last read or written; nothing when it was missing.
    std::optional<std::string> knownBytes_;
    bool unreadable_ = false;
    std::vector<std::string> notices_;
    std::string lastSaveError_;
    std::uint64_t saveFailures_ = 0;
    // The last complaint about a changed file, so that it is said once.
    std::string lastReloadProblem_;
};

} // namespace dustlyn

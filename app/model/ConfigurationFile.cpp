#include "app/model/ConfigurationFile.h"

#include "core/base/AtomicFile.h"
#include "core/quarantine/FileSystemCalls.h"

namespace dustlyn {

ConfigurationFile::ConfigurationFile(ConfigurationStore store) : store_(std::move(store)) {
    ConfigurationReadout readout = store_.read();
    config_ = std::move(readout.configuration);
    knownBytes_ = std::move(readout.bytes);
    unreadable_ = readout.damage.has_value();
    notices_ = readout.notices(store_.url());
}

bool ConfigurationFile::set(Configuration config) {
    if (config_ == config)
        return false;
    config_ = std::move(config);
    return true;
}

bool ConfigurationFile::save() {
    try {
        knownBytes_ = store_.save(config_);
        lastSaveError_.clear();
        return true;
    } catch (const std::exception& error) {
        // The file keeps its old content; the caller decides about the change in memory.
        lastSaveError_ = error.what();
        ++saveFailures_;
        return false;
    }
}

std::optional<ConfigurationReadout>
ConfigurationFile::changedOutside(const std::function<void(const std::string&)>& notice) {
    const std::optional<std::string> bytes = readWholeFile(store_.url());
    const std::string& url = store_.url().native();
    if (!bytes && !itemExists(store_.url())) {
        // Removed: the settings in use are written there again at the next change.
        if (knownBytes_)
            notice(url + " was removed; Dustlyn keeps the settings it has and writes them there "
                         "again at the next change");
        knownBytes_.reset();
        return std::nullopt;
    }
    if (bytes && bytes == knownBytes_)
        return std::nullopt;
    ConfigurationReadout readout = store_.read();
    if (readout.damage) {
        std::string line = url + " was changed but cannot be read (" + *readout.damage + ")";
        if (readout.keptCopy)
            line += "; its bytes are kept in " + readout.keptCopy->native();
        line += ". Dustlyn goes on with the settings it had, and saves none until the file is "
                "mended or removed";
        if (line != lastReloadProblem_)
            notice(line);
        lastReloadProblem_ = line;
        knownBytes_ = bytes;
        return std::nullopt;
    }
    lastReloadProblem_.clear();
    return readout;
}

bool ConfigurationFile::takeUp(ConfigurationReadout readout) {
    knownBytes_ = std::move(readout.bytes);
    unreadable_ = false;
    notices_ = readout.notices(store_.url());
    return set(std::move(readout.configuration));
}

} // namespace dustlyn

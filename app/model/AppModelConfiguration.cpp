// The configuration file as others may change it: edits made by hand while the model runs,
// and the folders of the desktop's screenshot tools.
#include "app/model/AppModel.h"

#include "app/model/ScreenshotLocations.h"
#include "core/base/AtomicFile.h"

#include <sys/stat.h>

namespace dustlyn {

void AppModel::notice(const std::string& line) const {
    if (onNotice)
        onNotice(line);
}

void AppModel::configurationFileChanged() {
    // Editors write in steps; the file is read once they are done.
    configReload_ = services_.timers->singleShot(0.2, [this] { reloadIfChangedOutside(); });
}

bool AppModel::reloadIfChangedOutside() {
    const std::optional<std::string> bytes = readWholeFile(store_.url());
    const std::string& url = store_.url().native();
    struct stat info {};
    if (!bytes && ::lstat(url.c_str(), &info) != 0) {
        // Removed: the settings in use are written there again at the next change.
        if (knownBytes_)
            notice(url + " was removed; Dustlyn keeps the settings it has and writes them there "
                         "again at the next change");
        knownBytes_.reset();
        return false;
    }
    if (bytes && bytes == knownBytes_)
        return false;
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
        return false;
    }
    lastReloadProblem_.clear();
    takeUp(std::move(readout));
    return true;
}

void AppModel::takeUp(ConfigurationReadout readout) {
    const Configuration& next = readout.configuration;
    const bool intervalChanged = next.checkInterval != config_.checkInterval;
    if (next.emptyTrash != config_.emptyTrash)
        trashEmptier_ = services_.trashEmptierFor(next.emptyTrash);
    knownBytes_ = std::move(readout.bytes);
    configUnreadable_ = false;
    configNotices_ = readout.notices(store_.url());
    notice("took up the changes made to " + store_.url().native() + " outside Dustlyn");
    for (const auto& line : configNotices_)
        notice(line);
    setConfig(std::move(readout.configuration));
    ensureQuarantineDirectory();
    refresh();
    updateWatchedFolders();
    if (intervalChanged && started_)
        scheduleNext();
}

void AppModel::adoptScreenshotLocation() {
    Configuration adopted = config_;
    if (!ScreenshotLocations::adopt(adopted, services_.folders))
        return;
    changeConfig(
        [&](Configuration& config) { ScreenshotLocations::adopt(config, services_.folders); });
}

} // namespace dustlyn

// The configuration file as others may change it: edits made by hand while the model runs,
// and the folders of the desktop's screenshot tools; and every change of it saved.
#include "app/model/AppModel.h"

#include "app/model/ScreenshotLocations.h"

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
    auto readout = configuration_.changedOutside([this](const std::string& line) { notice(line); });
    if (!readout)
        return false;
    takeUp(std::move(*readout));
    return true;
}

void AppModel::takeUp(ConfigurationReadout readout) {
    const Configuration& next = readout.configuration;
    const bool intervalChanged = next.checkInterval != config().checkInterval;
    if (next.emptyTrash != config().emptyTrash)
        trashEmptier_ = services_.trashEmptierFor(next.emptyTrash);
    const bool changed = configuration_.takeUp(std::move(readout));
    notice("took up the changes made to " + store().url().native() + " outside Dustlyn");
    for (const auto& line : configuration_.notices())
        notice(line);
    if (changed)
        emit configChanged();
    ensureQuarantineDirectory();
    refresh();
    updateWatchedFolders();
    if (intervalChanged && started_)
        scheduleNext();
}

bool AppModel::changeConfig(const std::function<void(Configuration&)>& change) {
    // An edit made by hand since the last read is the ground this change stands on, never
    // overwritten by the copy held here.
    reloadIfChangedOutside();
    Configuration before = config();
    Configuration changed = before;
    change(changed);
    setConfig(std::move(changed));
    if (configuration_.save() || !takeBackUnsaved_)
        return true;
    setConfig(std::move(before));
    return false;
}

void AppModel::adoptScreenshotLocation() {
    Configuration adopted = config();
    if (!ScreenshotLocations::adopt(adopted, services_.folders))
        return;
    changeConfig(
        [&](Configuration& config) { ScreenshotLocations::adopt(config, services_.folders); });
}

} // namespace dustlyn

// The model's published state and its stored files: every field notifies only when its
// value really changes, and every change of the configuration is saved.
#include "app/model/AppModel.h"

namespace dustlyn {

namespace {

template <class T> bool assign(T& field, T value) {
    if (field == value)
        return false;
    field = std::move(value);
    return true;
}

} // namespace

std::vector<std::string> AppModel::notices() const {
    std::vector<std::string> lines = configNotices_;
    lines.insert(lines.end(), historyNotices_.begin(), historyNotices_.end());
    return lines;
}

bool AppModel::appendHistory(const std::vector<HistoryEntry>& entries) {
    // The history held since start-up is the file's content: it is written, never read back.
    const bool written = historyStore_.append(history_, entries);
    // Once a damaged file has been set aside, the notice about it is done.
    if (!history_.damaged)
        historyNotices_.clear();
    emit historyChanged();
    return written;
}

void AppModel::setConfig(Configuration config) {
    if (assign(config_, std::move(config)))
        emit configChanged();
}

void AppModel::saveConfig() {
    try {
        store_.save(config_);
        lastSaveError_.clear();
    } catch (const std::exception& error) {
        // The change stays in memory; the file keeps its old content.
        lastSaveError_ = error.what();
    }
}

void AppModel::changeConfig(const std::function<void(Configuration&)>& change) {
    Configuration changed = config_;
    change(changed);
    setConfig(std::move(changed));
    saveConfig();
}

bool AppModel::setLastScan(ScanReport report) {
    if (!assign(lastScan_, std::move(report)))
        return false;
    emit lastScanChanged();
    return true;
}

void AppModel::setQuarantined(std::vector<QuarantinedFile> files) {
    if (assign(quarantined_, std::move(files)))
        emit quarantinedChanged();
}

void AppModel::setLastQuarantine(QuarantineReport report) {
    if (assign(lastQuarantine_, std::move(report)))
        emit lastQuarantineChanged();
}

void AppModel::setLastPurge(PurgeReport report) {
    if (assign(lastPurge_, std::move(report)))
        emit lastPurgeChanged();
}

void AppModel::setLastSweepDate(std::optional<Date> date) {
    if (assign(lastSweepDate_, date))
        emit lastSweepDateChanged();
}

void AppModel::setPaused(bool paused) {
    if (assign(paused_, paused))
        emit pausedChanged();
}

} // namespace dustlyn

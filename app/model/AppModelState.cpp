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
    // Not read yet: the entries go to the end of the file as it is. A file that cannot take
    // them so (missing, odd at its ends, or full) is read and written whole, as is one whose
    // tail could not be written, so that the entries are held until a write succeeds.
    if (!history_) {
        if (historyStore_.appendToTail(entries).value_or(false)) {
            emit historyChanged();
            return true;
        }
    }
    // The history held since it was read is the file's content: it is written, never read
    // back.
    HeldHistory& held = heldHistory();
    const bool written = historyStore_.append(held, entries);
    // Once a damaged file has been set aside, the notice about it is done.
    if (!held.damaged)
        historyNotices_.clear();
    emit historyChanged();
    return written;
}

void AppModel::setConfig(Configuration config) {
    if (assign(config_, std::move(config)))
        emit configChanged();
}

bool AppModel::saveConfig() {
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

bool AppModel::changeConfig(const std::function<void(Configuration&)>& change) {
    // An edit made by hand since the last read is the ground this change stands on, never
    // overwritten by the copy held here.
    reloadIfChangedOutside();
    Configuration before = config_;
    Configuration changed = config_;
    change(changed);
    setConfig(std::move(changed));
    if (saveConfig() || !takeBackUnsaved_)
        return true;
    setConfig(std::move(before));
    return false;
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

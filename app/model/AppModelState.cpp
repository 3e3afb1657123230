// The model's published state: every field notifies only when its value really changes.
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

bool AppModel::appendHistory(const std::vector<HistoryEntry>& entries, const std::string* encoded) {
    const bool written = history_.append(entries, encoded);
    emit historyChanged();
    return written;
}

void AppModel::setConfig(Configuration config) {
    if (configuration_.set(std::move(config)))
        emit configChanged();
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

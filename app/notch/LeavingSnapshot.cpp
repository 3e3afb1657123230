#include "app/notch/LeavingSnapshot.h"

namespace dustlyn {

LeavingSnapshot::LeavingSnapshot(const AppModel& model, QObject* parent)
    : QObject(parent), model_(model) {
    connect(&model, &AppModel::lastScanChanged, this, [this] {
        stale_ = true;
        emit changed();
    });
}

const std::vector<MatchedFile>& LeavingSnapshot::files() const {
    if (stale_) {
        files_ = model_.leaving();
        stale_ = false;
    }
    return files_;
}

} // namespace dustlyn

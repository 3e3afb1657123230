#pragma once

#include "app/model/AppModel.h"

#include <QObject>

#include <cstddef>
#include <vector>

namespace dustlyn {

// The model's "leaving soon" list, sorted once per scan and shared by every view that
// shows it (the pill reads it every second, the open panel on each change).
class LeavingSnapshot : public QObject {
    Q_OBJECT

public:
    explicit LeavingSnapshot(const AppModel& model, QObject* parent = nullptr);

    // Every file the last scan claims, soonest deadline first.
    const std::vector<MatchedFile>& files() const;
    std::size_t count() const { return files().size(); }

signals:
    // A new scan: the list may differ.
    void changed();

private:
    const AppModel& model_;
    mutable std::vector<MatchedFile> files_;
    mutable bool stale_ = true;
};

} // namespace dustlyn

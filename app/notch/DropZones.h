#pragma once

#include "app/notch/NotchContext.h"

#include <QWidget>

namespace dustlyn {

class DropZone;

// The two places to drop files on while dragging them near the notch: "Keep forever" and
// "Remove in 1 hour". A drop goes to the controller with the zone's kind.
class DropZones : public QWidget {
    Q_OBJECT

public:
    DropZones(const NotchContext& context, QWidget* parent = nullptr);

    DropZone& keepZone() { return *keep_; }
    DropZone& timerZone() { return *timer_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    DropZone* keep_;
    DropZone* timer_;
};

} // namespace dustlyn

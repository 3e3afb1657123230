#include "app/settings/LivePane.h"

namespace dustlyn {

LivePane::LivePane(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {}

void LivePane::scheduleRefresh() {
    stale_ = true;
    if (queued_)
        return;
    queued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            queued_ = false;
            refreshNow();
        },
        Qt::QueuedConnection);
}

void LivePane::refreshNow() {
    if (!stale_ || !isVisible())
        return;
    stale_ = false;
    refresh();
}

void LivePane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refreshNow();
}

} // namespace dustlyn

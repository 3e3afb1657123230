#pragma once

#include <QWidget>

namespace dustlyn {

class AppModel;

// A pane that follows the model. The model's signals only mark it stale and post one
// redraw, so a burst of changes (a sweep changes several fields) is drawn once, after
// the control that caused it has finished its work; a hidden pane waits until it is
// shown. Each pane compares what it shows with what it would show and rebuilds only on
// a real difference.
class LivePane : public QWidget {
    Q_OBJECT

public:
    explicit LivePane(AppModel& model, QWidget* parent = nullptr);

    // Redraws at once if something changed and the pane is shown.
    void refreshNow();
    void scheduleRefresh();

protected:
    virtual void refresh() = 0;
    void showEvent(QShowEvent* event) override;

    AppModel& model_;

private:
    bool stale_ = true;
    bool queued_ = false;
};

} // namespace dustlyn

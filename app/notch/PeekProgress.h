#pragma once

#include "app/notch/NotchContext.h"

#include <QTimer>
#include <QWidget>

namespace dustlyn {

// How long the peek stays: a bar that empties over its four seconds and stays full while
// the pointer holds the card. It redraws on every frame only while it is running down.
class PeekProgress : public QWidget {
    Q_OBJECT

public:
    static constexpr int height = 4;

    PeekProgress(const NotchContext& context, QWidget* parent = nullptr);

    // From 1 (full) to 0, at this moment.
    double fraction() const;
    bool running() const { return frames_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void follow();
    void frame();

    NotchContext context_;
    QTimer frames_;
};

} // namespace dustlyn

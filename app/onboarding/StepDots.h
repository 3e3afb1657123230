#pragma once

#include <QWidget>

namespace dustlyn {

// One small circle per step, the current one drawn in the text colour. Screen readers
// hear "Step 2 of 4".
class StepDots : public QWidget {
    Q_OBJECT

public:
    StepDots(int count, QWidget* parent = nullptr);

    int current() const { return current_; }
    void setCurrent(int step);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int count_;
    int current_ = 0;
};

} // namespace dustlyn

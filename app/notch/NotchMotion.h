#pragma once

#include "app/notch/AnimatedValue.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstddef>
#include <vector>

namespace dustlyn {

// A few animated numbers sharing one frame clock, which runs only while one of them is
// moving: a notch at rest costs no wake-ups.
class NotchMotion : public QObject {
    Q_OBJECT

public:
    explicit NotchMotion(QObject* parent = nullptr);

    // A new number starting at `value`; returns its index.
    std::size_t add(double value, double tolerance);
    double value(std::size_t index) const { return values_[index].value(); }
    double target(std::size_t index) const { return values_[index].target(); }
    void animateTo(std::size_t index, double target, const NotchAnimation& curve);
    bool running() const { return frames_.isActive(); }
    // Puts every number at its target at once.
    void finish();

signals:
    // The numbers moved; read them and redraw.
    void frame();

private:
    void tick();

    std::vector<AnimatedValue> values_;
    QTimer frames_;
    QElapsedTimer clock_;
};

} // namespace dustlyn

#include "app/notch/NotchMotion.h"

#include <algorithm>

namespace dustlyn {

namespace {

constexpr int frameMilliseconds = 16;
// A stalled event loop resumes the motion where it was rather than at its end.
constexpr double longestStep = 0.05;

} // namespace

NotchMotion::NotchMotion(QObject* parent) : QObject(parent), frames_(this) {
    frames_.setInterval(frameMilliseconds);
    frames_.setTimerType(Qt::PreciseTimer);
    connect(&frames_, &QTimer::timeout, this, &NotchMotion::tick);
}

std::size_t NotchMotion::add(double value, double tolerance) {
    values_.emplace_back(value, tolerance);
    return values_.size() - 1;
}

void NotchMotion::animateTo(std::size_t index, double target, const NotchAnimation& curve) {
    AnimatedValue& value = values_[index];
    const double before = value.value();
    value.animateTo(target, curve);
    if (value.moving() && !frames_.isActive()) {
        // The paint that starts a motion already shows its first step, so the change
        // reaches the screen now rather than a frame later.
        value.step(frameMilliseconds / 1000.0);
        clock_.start();
        frames_.start();
    }
    if (value.value() != before)
        emit frame();
}

void NotchMotion::finish() {
    bool changed = false;
    for (auto& value : values_) {
        changed = changed || value.moving();
        value.jumpTo(value.target());
    }
    frames_.stop();
    if (changed)
        emit frame();
}

void NotchMotion::tick() {
    const double seconds = std::min(static_cast<double>(clock_.nsecsElapsed()) / 1e9, longestStep);
    clock_.start();
    bool moving = false;
    for (auto& value : values_) {
        value.step(seconds);
        moving = moving || value.moving();
    }
    if (!moving)
        frames_.stop();
    emit frame();
}

} // namespace dustlyn

#pragma once

#include "app/notch/NotchAnimation.h"

namespace dustlyn {

// One number moving towards its target: along a damped spring (its velocity carried over
// when the target moves mid-flight) or along an ease-in-out curve of fixed duration.
class AnimatedValue {
public:
    // `tolerance`: how close counts as arrived (a spring then snaps to its target).
    explicit AnimatedValue(double value = 0, double tolerance = 0.01);

    double value() const { return value_; }
    double target() const { return target_; }
    double velocity() const { return velocity_; }
    bool moving() const { return moving_; }

    // Heads for `target` the way `curve` says; Curve::none jumps there.
    void animateTo(double target, const NotchAnimation& curve);
    void jumpTo(double target);
    // Advances by `seconds`; returns whether the value changed.
    bool step(double seconds);

private:
    void stepSpring(double seconds);

    double value_;
    double tolerance_;
    double target_;
    double velocity_ = 0;
    bool moving_ = false;
    NotchAnimation curve_;
    double from_ = 0;    // ease-in-out: where the move started
    double elapsed_ = 0; // ease-in-out: time since it started
};

} // namespace dustlyn

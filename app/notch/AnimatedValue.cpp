#include "app/notch/AnimatedValue.h"

#include <QEasingCurve>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dustlyn {

namespace {

QEasingCurve easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

} // namespace

AnimatedValue::AnimatedValue(double value, double tolerance)
    : value_(value), tolerance_(tolerance), target_(value) {}

void AnimatedValue::animateTo(double target, const NotchAnimation& curve) {
    if (curve.curve == NotchAnimation::Curve::none || curve.response <= 0) {
        jumpTo(target);
        return;
    }
    if (target == target_ && (moving_ || value_ == target))
        return;
    target_ = target;
    curve_ = curve;
    from_ = value_;
    elapsed_ = 0;
    moving_ = std::abs(value_ - target_) > tolerance_ || std::abs(velocity_) > tolerance_;
    if (!moving_)
        jumpTo(target);
}

void AnimatedValue::jumpTo(double target) {
    target_ = target;
    value_ = target;
    velocity_ = 0;
    moving_ = false;
}

bool AnimatedValue::step(double seconds) {
    if (!moving_)
        return false;
    if (curve_.curve == NotchAnimation::Curve::easeInOut) {
        elapsed_ += seconds;
        const double progress = std::min(elapsed_ / curve_.response, 1.0);
        static const QEasingCurve curve = easeInOut();
        value_ = from_ + (target_ - from_) * curve.valueForProgress(progress);
        if (progress >= 1)
            jumpTo(target_);
        return true;
    }
    stepSpring(seconds);
    if (std::abs(value_ - target_) < tolerance_ && std::abs(velocity_) < tolerance_ * 10)
        jumpTo(target_);
    return true;
}

// The closed form of a unit mass on a spring whose period is the response, from the
// current displacement and velocity: exact for any step, so a slow frame never overshoots
// more than the curve itself does.
void AnimatedValue::stepSpring(double seconds) {
    const double omega = 2 * std::numbers::pi / curve_.response;
    const double zeta = std::clamp(curve_.damping, 0.0, 1.0);
    const double d = value_ - target_;
    const double v = velocity_;
    if (zeta >= 1) {
        const double b = v + omega * d;
        const double decay = std::exp(-omega * seconds);
        value_ = target_ + decay * (d + b * seconds);
        velocity_ = decay * (b - omega * (d + b * seconds));
        return;
    }
    const double a = zeta * omega;
    const double wd = omega * std::sqrt(1 - zeta * zeta);
    const double b = (v + a * d) / wd;
    const double decay = std::exp(-a * seconds);
    const double c = std::cos(wd * seconds);
    const double s = std::sin(wd * seconds);
    value_ = target_ + decay * (d * c + b * s);
    velocity_ = decay * ((b * wd - a * d) * c - (d * wd + a * b) * s);
}

} // namespace dustlyn

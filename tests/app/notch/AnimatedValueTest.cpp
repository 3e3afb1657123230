#include "app/notch/AnimatedValue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dustlyn::testing {
namespace {

constexpr double frame = 1.0 / 60;

struct Flight {
    double peak = 0;    // the furthest the value went
    double settled = 0; // seconds until it came to rest
};

// Steps `value` frame by frame until it rests (at most 5 s).
Flight fly(AnimatedValue& value) {
    Flight result{value.value(), 0};
    while (value.moving() && result.settled < 5) {
        value.step(frame);
        result.peak = std::max(result.peak, value.value());
        result.settled += frame;
    }
    return result;
}

TEST(AnimatedValue, springsSettleOnTheirTargetOvershootingOnlyWhenUnderdamped) {
    const struct {
        const char* name;
        NotchAnimation curve;
        double maxOvershoot;
        double settlesWithin;
    } cases[] = {
        {"theFacesSpring", NotchAnimation::spring(), 0.02, 1.2},
        {"theTabsSpring", NotchAnimation::tabSpring(), 0.01, 1.0},
        {"criticallyDampedNeverOvershoots", {NotchAnimation::Curve::spring, 0.4, 1}, 0, 1.2},
        {"theDropZonesSpring", {NotchAnimation::Curve::spring, 0.25, 0.7}, 0.06, 0.8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnimatedValue value(0, 0.001);
        value.animateTo(1, c.curve);
        ASSERT_TRUE(value.moving());
        const Flight result = fly(value);
        EXPECT_FALSE(value.moving());
        EXPECT_EQ(value.value(), 1);
        EXPECT_LE(result.peak - 1, c.maxOvershoot + 1e-9);
        EXPECT_LT(result.settled, c.settlesWithin);
    }
}

TEST(AnimatedValue, aNewTargetMidFlightCarriesTheMotionOn) {
    AnimatedValue value(0, 0.001);
    value.animateTo(100, NotchAnimation::spring());
    for (int i = 0; i < 6; ++i)
        value.step(frame);
    const double where = value.value();
    const double speed = value.velocity();
    ASSERT_GT(speed, 0);
    value.animateTo(0, NotchAnimation::spring());
    EXPECT_EQ(value.value(), where) << "no jump";
    EXPECT_EQ(value.velocity(), speed) << "no sudden stop";
    fly(value);
    EXPECT_EQ(value.value(), 0);
}

TEST(AnimatedValue, easeInOutTakesItsDurationAndNoneJumps) {
    AnimatedValue value(0, 0.001);
    value.animateTo(10, NotchAnimation::quietFade());
    value.step(0.1);
    EXPECT_NEAR(value.value(), 5, 0.01);
    value.step(0.1);
    EXPECT_EQ(value.value(), 10);
    EXPECT_FALSE(value.moving());
    value.animateTo(3, NotchAnimation{});
    EXPECT_EQ(value.value(), 3);
    EXPECT_FALSE(value.moving());
}

} // namespace
} // namespace dustlyn::testing

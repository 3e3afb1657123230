#include "app/platform/x11/X11InputMonitor.h"
#include "tests/platform/support/Desktop.h"

#include <QWindow>

#include <gtest/gtest.h>

#include <tuple>

namespace dustlyn {
namespace {

using testing::spinUntil;
using testing::tool;

// What the monitor reported: the event, whether another window than this program's took
// it, and the pointer's position then.
using Seen = std::tuple<PointerEventType, bool, QPointF>;

// This program's window at (400, 300), another program's at (700, 300), both 200 x 150,
// and the bare desktop beside them.
class InputMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        monitor.onPointerEvent = [this](PointerEventType type, bool global) {
            seen.push_back({type, global, monitor.pointerPosition()});
        };
        own.setGeometry(400, 300, 200, 150);
        own.show();
        ASSERT_TRUE(spinUntil([&] { return own.isExposed(); }));
        other.createWindow({700, 300, 200, 150});
    }

    // Whether `expected` arrives as the last event so far.
    bool sawLast(PointerEventType type, bool global, QPoint at) {
        const Seen expected{type, global, QPointF(at)};
        return spinUntil([&] { return !seen.empty() && seen.back() == expected; });
    }
    testing::XcbClient other;
    QWindow own;
    X11InputMonitor monitor{X11Connection::fromQt()};
    std::vector<Seen> seen;
};

struct Gesture {
    const char* name;
    QPoint from;
    QPoint to;
    bool global;
};

// Whichever window takes the press keeps the pointer until the release.
const Gesture gestures[] = {
    {"clickOnTheDesktop", {100, 100}, {100, 100}, true},
    {"clickInOwnWindow", {500, 375}, {500, 375}, false},
    {"clickInAnotherWindow", {800, 375}, {800, 375}, true},
    {"dragFromOwnWindowOntoTheDesktop", {500, 375}, {100, 100}, false},
    {"dragFromTheDesktopOntoOwnWindow", {100, 100}, {500, 375}, true},
    {"dragFromAnotherWindowOntoOwnWindow", {800, 375}, {500, 375}, true},
};

class Gestures : public InputMonitorTest, public ::testing::WithParamInterface<Gesture> {};

// Step by step, as a hand does it: each event is seen before the next one is made.
TEST_P(Gestures, eachEventArrivesWithItsPositionAndWhoseWindowTookIt) {
    const Gesture gesture = GetParam();
    testing::movePointer(gesture.from);
    ASSERT_TRUE(sawLast(PointerEventType::moved, gesture.global, gesture.from));
    EXPECT_EQ(monitor.pointerPosition(), QPointF(gesture.from));
    tool("xdotool", {"mousedown", "1"});
    ASSERT_TRUE(sawLast(PointerEventType::leftDown, gesture.global, gesture.from));
    testing::movePointer(gesture.to);
    ASSERT_TRUE(sawLast(PointerEventType::leftDragged, gesture.global, gesture.to));
    tool("xdotool", {"mouseup", "1"});
    ASSERT_TRUE(sawLast(PointerEventType::leftUp, gesture.global, gesture.to));
}

INSTANTIATE_TEST_SUITE_P(Gestures, Gestures, ::testing::ValuesIn(gestures), testing::RowName());

TEST_F(InputMonitorTest, aLeftHandedMappingMakesTheOtherButtonThePrimaryOne) {
    tool("xmodmap", {"-e", "pointer = 3 2 1"});
    testing::movePointer({100, 100});
    tool("xdotool", {"click", "3"});
    ASSERT_TRUE(sawLast(PointerEventType::leftUp, true, {100, 100}));
    tool("xmodmap", {"-e", "pointer = 1 2 3"});
    seen.clear();
    tool("xdotool", {"click", "3"});
    tool("xdotool", {"click", "1"});
    ASSERT_TRUE(sawLast(PointerEventType::leftUp, true, {100, 100}));
    EXPECT_EQ(seen.size(), 2u) << "the secondary button counted as primary";
}

TEST(InputMonitorKeys, theLastKeyPressIsTimedByTheGivenClock) {
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
    X11InputMonitor monitor(X11Connection::fromQt(), [&] { return now; });
    EXPECT_EQ(monitor.secondsSinceLastKeyPress(), std::numeric_limits<double>::infinity());
    tool("xdotool", {"key", "a"});
    ASSERT_TRUE(spinUntil([&] { return monitor.secondsSinceLastKeyPress() == 0; }));
    now += std::chrono::milliseconds(2500);
    EXPECT_EQ(monitor.secondsSinceLastKeyPress(), 2.5);
}

} // namespace
} // namespace dustlyn

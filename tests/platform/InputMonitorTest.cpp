#include "app/platform/x11/X11InputMonitor.h"
#include "tests/platform/support/Desktop.h"

#include <QWindow>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using testing::PrintTo;

using testing::tool;
using testing::waitFor;

struct Seen {
    PointerEventType type;
    bool global;
    QPointF position;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    static const char* const names[] = {"leftDown", "leftUp", "moved", "leftDragged"};
    return out << names[static_cast<int>(seen.type)] << (seen.global ? " global" : " local")
               << " at " << seen.position.x() << "," << seen.position.y();
}

// This program's window, another program's window and the bare desktop, side by side.
class InputMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        monitor.onPointerEvent = [this](PointerEventType type, bool global) {
            seen.push_back({type, global, monitor.pointerPosition()});
        };
        ASSERT_TRUE(monitor.following());
        own.setGeometry(ownArea);
        own.show();
        ASSERT_TRUE(waitFor([&] { return own.isExposed(); }));
        other.createWindow(otherArea);
    }

    std::vector<Seen> buttonsSeen() const {
        std::vector<Seen> buttons;
        for (const Seen& event : seen) {
            if (event.type == PointerEventType::leftDown || event.type == PointerEventType::leftUp)
                buttons.push_back(event);
        }
        return buttons;
    }

    bool sawLeftUp() const { return buttonsSeen().size() >= 2; }

    const QRect ownArea{400, 300, 200, 150};
    const QRect otherArea{700, 300, 200, 150};
    testing::XcbClient other;
    QWindow own;
    X11InputMonitor monitor{X11Connection::fromQt()};
    std::vector<Seen> seen;
};

struct Place {
    const char* name;
    QPoint point;
    bool global;
};

const Place places[] = {
    {"desktop", {100, 100}, true},
    {"ownWindow", {500, 375}, false},
    {"otherWindow", {800, 375}, true},
};

class PointerOver : public InputMonitorTest, public ::testing::WithParamInterface<Place> {};

TEST_P(PointerOver, aMoveArrivesWithItsPositionAndWhoseWindowItIsOver) {
    const Place place = GetParam();
    testing::movePointer(place.point);
    const Seen expected{PointerEventType::moved, place.global, QPointF(place.point)};
    ASSERT_TRUE(waitFor([&] { return !seen.empty() && seen.back() == expected; }))
        << "last event: " << (seen.empty() ? Seen{} : seen.back());
    EXPECT_EQ(monitor.pointerPosition(), QPointF(place.point));
}

TEST_P(PointerOver, aClickArrivesAsDownAndUpAtItsPosition) {
    const Place place = GetParam();
    testing::movePointer(place.point);
    tool("xdotool", {"click", "1"});
    ASSERT_TRUE(waitFor([&] { return sawLeftUp(); }));
    const QPointF at(place.point);
    EXPECT_EQ(buttonsSeen(), (std::vector<Seen>{{PointerEventType::leftDown, place.global, at},
                                                {PointerEventType::leftUp, place.global, at}}));
}

INSTANTIATE_TEST_SUITE_P(Places, PointerOver, ::testing::ValuesIn(places), testing::RowName());

struct Drag {
    const char* name;
    QPoint from;
    QPoint to;
    bool global;
};

// Whichever window takes the press keeps the pointer until the release.
const Drag drags[] = {
    {"fromOwnWindowOntoTheDesktop", {500, 375}, {100, 100}, false},
    {"fromTheDesktopOntoOwnWindow", {100, 100}, {500, 375}, true},
    {"fromAnotherWindowOntoOwnWindow", {800, 375}, {500, 375}, true},
};

class Dragging : public InputMonitorTest, public ::testing::WithParamInterface<Drag> {};

TEST_P(Dragging, staysWithTheWindowThatTookThePress) {
    const Drag drag = GetParam();
    auto sawAt = [&](PointerEventType type, QPoint point) {
        return waitFor([&] {
            return !seen.empty() && seen.back().type == type &&
                   seen.back().position == QPointF(point);
        });
    };
    // Step by step, as a hand does it: each event is seen before the next one is made.
    testing::movePointer(drag.from);
    ASSERT_TRUE(sawAt(PointerEventType::moved, drag.from));
    seen.clear();
    tool("xdotool", {"mousedown", "1"});
    ASSERT_TRUE(sawAt(PointerEventType::leftDown, drag.from));
    testing::movePointer(drag.to);
    ASSERT_TRUE(sawAt(PointerEventType::leftDragged, drag.to));
    tool("xdotool", {"mouseup", "1"});
    ASSERT_TRUE(sawAt(PointerEventType::leftUp, drag.to));
    for (const Seen& event : seen)
        EXPECT_EQ(event.global, drag.global) << event;
}

INSTANTIATE_TEST_SUITE_P(Drags, Dragging, ::testing::ValuesIn(drags), testing::RowName());

TEST_F(InputMonitorTest, aLeftHandedMappingMakesTheOtherButtonThePrimaryOne) {
    tool("xmodmap", {"-e", "pointer = 3 2 1"});
    testing::movePointer({100, 100});
    tool("xdotool", {"click", "3"});
    ASSERT_TRUE(waitFor([&] { return sawLeftUp(); }));
    tool("xmodmap", {"-e", "pointer = 1 2 3"});
    tool("xdotool", {"click", "3"});
    tool("xdotool", {"click", "1"});
    ASSERT_TRUE(waitFor([&] { return buttonsSeen().size() >= 4; }));
    EXPECT_EQ(buttonsSeen().size(), 4u) << "the secondary button counted as primary";
}

TEST(InputMonitorKeys, theLastKeyPressIsTimedByTheGivenClock) {
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
    X11InputMonitor monitor(X11Connection::fromQt(), [&] { return now; });
    EXPECT_EQ(monitor.secondsSinceLastKeyPress(), std::numeric_limits<double>::infinity());
    tool("xdotool", {"key", "a"});
    ASSERT_TRUE(waitFor([&] { return monitor.secondsSinceLastKeyPress() == 0; }));
    now += std::chrono::milliseconds(2500);
    EXPECT_EQ(monitor.secondsSinceLastKeyPress(), 2.5);
}

} // namespace
} // namespace dustlyn

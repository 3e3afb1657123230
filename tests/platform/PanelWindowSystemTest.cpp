#include "app/platform/x11/X11InputMonitor.h"
#include "app/platform/x11/X11PanelWindowSystem.h"
#include "tests/platform/support/Desktop.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QWindow>

#include <gtest/gtest.h>
#include <xcb/shape.h>

namespace dustlyn {
namespace {

using testing::PrintTo;

using testing::tool;
using testing::waitFor;

// Counts what reaches a window from the keyboard and the pointer.
class EventCounter : public QObject {
public:
    int keys = 0;
    int presses = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            ++keys;
        if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        return QObject::eventFilter(watched, event);
    }
};

// A panel hanging from the top centre of the 1280 x 800 screen, over another program's
// window that is active.
class PanelWindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        underneath = other.createWindow({240, 0, 800, 600});
        tool("xdotool", {"windowactivate", "--sync", std::to_string(underneath)});
        ASSERT_TRUE(waitFor([&] { return activeWindow() == underneath; }));
        panel.setGeometry(panelArea);
        panel.installEventFilter(&counter);
        system.preparePanel(panel);
        panel.show();
        ASSERT_TRUE(waitFor([&] { return panel.isExposed(); }));
    }

    xcb_window_t id() const { return static_cast<xcb_window_t>(panel.winId()); }
    xcb_window_t activeWindow() {
        const auto values = other.property(other.root(), "_NET_ACTIVE_WINDOW");
        return values.empty() ? xcb_window_t(XCB_NONE) : values.front();
    }
    void click(QPoint at) {
        testing::movePointer(at);
        tool("xdotool", {"click", "1"});
    }

    const QRect panelArea{280, 0, 720, 560};
    testing::XcbClient other;
    xcb_window_t underneath = XCB_NONE;
    X11PanelWindowSystem system{X11Connection::fromQt()};
    QWindow panel;
    EventCounter counter;
};

// A dock above others on every workspace, out of task bar and pager, asked for before it is
// first shown; openbox keeps "every workspace" as _NET_WM_DESKTOP alone and drops the
// sticky state once it is shown.
TEST_F(PanelWindowSystemTest, isADockAboveOthersOnEveryWorkspaceOutOfTaskBarAndPager) {
    QWindow unshown;
    system.preparePanel(unshown);
    testing::syncQt();
    for (const auto window : {unshown.winId(), panel.winId()}) {
        const std::string properties =
            tool("xprop", {"-id", std::to_string(window), "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                           "_NET_WM_DESKTOP", "WM_HINTS"});
        for (const char* expected :
             {"_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DOCK\n", "_NET_WM_STATE_ABOVE",
              "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
              "_NET_WM_DESKTOP(CARDINAL) = 4294967295\n",
              "Client accepts input or input focus: False\n"})
            EXPECT_NE(properties.find(expected), std::string::npos) << expected << " in\n"
                                                                    << properties;
    }
    EXPECT_NE(tool("xprop", {"-id", std::to_string(unshown.winId()), "_NET_WM_STATE"})
                  .find("_NET_WM_STATE_ABOVE, _NET_WM_STATE_STICKY"),
              std::string::npos);
}

TEST_F(PanelWindowSystemTest, neverTakesTheFocusWhenShownOrClicked) {
    system.setInputShape(panel, QRegion(0, 0, 720, 560));
    testing::syncQt();
    EXPECT_EQ(activeWindow(), underneath);
    click({640, 100});
    ASSERT_TRUE(waitFor([&] { return counter.presses == 1; }));
    EXPECT_EQ(activeWindow(), underneath);
    EXPECT_NE(QGuiApplication::focusWindow(), &panel);
}

struct Shape {
    const char* name;
    QRegion region;
    std::vector<QRect> rectangles;
};

const Shape shapes[] = {
    {"nothing", QRegion(), {}},
    {"pill", QRegion(310, 0, 100, 32), {{310, 0, 100, 32}}},
    {"openPanel", QRegion(70, 0, 580, 348), {{70, 0, 580, 348}}},
    {"twoParts",
     QRegion(10, 0, 20, 10).united(QRegion(100, 20, 30, 5)),
     {{10, 0, 20, 10}, {100, 20, 30, 5}}},
};

class PanelShapes : public PanelWindowSystemTest, public ::testing::WithParamInterface<Shape> {};

TEST_P(PanelShapes, theInputShapeIsTheRegionExactly) {
    system.setInputShape(panel, GetParam().region);
    testing::syncQt();
    EXPECT_EQ(other.shape(id(), XCB_SHAPE_SK_INPUT), GetParam().rectangles);
}

// With no compositing manager, transparent pixels would show black: the window is cut.
TEST_P(PanelShapes, withoutCompositingTheBoundingShapeIsTheRegion) {
    ASSERT_FALSE(system.compositing());
    system.setBoundingShape(panel, GetParam().region);
    testing::syncQt();
    EXPECT_EQ(other.shape(id(), XCB_SHAPE_SK_BOUNDING), GetParam().rectangles);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PanelShapes, ::testing::ValuesIn(shapes), testing::RowName());

TEST_F(PanelWindowSystemTest, clicksOutsideTheInputShapeGoToTheWindowBelow) {
    X11InputMonitor monitor(X11Connection::fromQt());
    std::vector<bool> globalDowns;
    monitor.onPointerEvent = [&](PointerEventType type, bool global) {
        if (type == PointerEventType::leftDown)
            globalDowns.push_back(global);
    };
    system.setInputShape(panel, QRegion(310, 0, 100, 32)); // a pill at the top centre
    testing::syncQt();
    click({640, 16});
    ASSERT_TRUE(waitFor([&] { return counter.presses == 1; }));
    click({640, 200});
    ASSERT_TRUE(waitFor([&] {
        other.pump();
        return other.buttonPresses() == 1;
    }));
    EXPECT_EQ(counter.presses, 1);
    ASSERT_TRUE(waitFor([&] { return globalDowns.size() == 2; }));
    EXPECT_EQ(globalDowns, (std::vector<bool>{false, true}));
}

TEST_F(PanelWindowSystemTest, followsACompositingManagerComingAndGoing) {
    int told = 0;
    system.onCompositingChanged = [&] { ++told; };
    const QRegion pill(310, 0, 100, 32);
    system.setBoundingShape(panel, pill);

    testing::XcbClient compositor;
    const xcb_window_t owner = compositor.createWindow({0, 0, 1, 1}, false);
    compositor.own("_NET_WM_CM_S0", owner);
    ASSERT_TRUE(waitFor([&] { return told == 1; }));
    testing::syncQt();
    EXPECT_TRUE(system.compositing());
    EXPECT_EQ(other.shape(id(), XCB_SHAPE_SK_BOUNDING),
              std::vector<QRect>{QRect(QPoint(), panelArea.size())});

    compositor.destroyWindow(owner);
    ASSERT_TRUE(waitFor([&] { return told == 2; }));
    testing::syncQt();
    EXPECT_FALSE(system.compositing());
    EXPECT_EQ(other.shape(id(), XCB_SHAPE_SK_BOUNDING), std::vector<QRect>{QRect(310, 0, 100, 32)});
}

TEST_F(PanelWindowSystemTest, activatedItTakesTheKeyboardAndGivesItBackWhenDeactivated) {
    system.activate(panel);
    ASSERT_TRUE(waitFor([&] { return QGuiApplication::focusWindow() == &panel; }));
    EXPECT_EQ(activeWindow(), id());
    tool("xdotool", {"key", "Escape"});
    EXPECT_TRUE(waitFor([&] { return counter.keys == 1; }));

    system.deactivate(panel);
    EXPECT_TRUE(waitFor([&] { return activeWindow() == underneath; }));
    EXPECT_NE(tool("xprop", {"-id", std::to_string(id()), "WM_HINTS"})
                  .find("Client accepts input or input focus: False"),
              std::string::npos);
}

} // namespace
} // namespace dustlyn

#include "app/platform/x11/X11InputMonitor.h"
#include "app/platform/x11/X11PanelWindowSystem.h"
#include "tests/platform/support/Desktop.h"

#include <QGuiApplication>
#include <QWindow>

#include <gtest/gtest.h>
#include <xcb/shape.h>

#include <algorithm>
#include <cstdlib>

namespace dustlyn {
namespace {

using testing::waitFor;

// Counts the presses that reach a window.
class PressCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        presses += event->type() == QEvent::MouseButtonPress;
        return QObject::eventFilter(watched, event);
    }
};

// A panel hanging from the top centre of the 1280 x 800 screen, over another program's
// window that is active.
class PanelWindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::tool("xdotool", {"windowactivate", "--sync", std::to_string(underneath)});
        ASSERT_TRUE(waitFor([&] { return activeWindow() == underneath; }));
        panel.setGeometry(280, 0, 720, 560);
        panel.installEventFilter(&counter);
        system.preparePanel(panel);
        panel.show();
        ASSERT_TRUE(waitFor([&] { return panel.isExposed(); }));
    }

    xcb_window_t id() const { return static_cast<xcb_window_t>(panel.winId()); }
    xcb_window_t activeWindow() {
        const auto values = other.property(other.root(), "_NET_ACTIVE_WINDOW");
        return values.empty() ? xcb_window_t(XCB_NONE) : values[0];
    }
    std::vector<QRect> shape(std::uint8_t kind) {
        testing::syncQt();
        return other.shape(id(), kind);
    }
    // A click at `at` that reached this program's window or the other one.
    void click(QPoint at) {
        testing::movePointer(at);
        testing::tool("xdotool", {"click", "1"});
        ++clicks;
        ASSERT_TRUE(waitFor([&] {
            other.pump();
            return counter.presses + other.buttonPresses == clicks;
        }));
    }

    testing::XcbClient other;
    xcb_window_t underneath = other.createWindow({240, 0, 800, 600});
    X11PanelWindowSystem system{X11Connection::fromQt()};
    QWindow panel;
    PressCounter counter;
    int clicks = 0;
};

// A dock above others on every workspace, out of task bar and pager, that does not take the
// keyboard: all asked for before it is first shown, whatever Qt adds of its own then.
TEST_F(PanelWindowSystemTest, isPreparedAsAnUnfocusedDockAboveOthersOnEveryWorkspace) {
    QWindow unshown;
    system.preparePanel(unshown);
    testing::syncQt();
    const std::string properties =
        testing::tool("xprop", {"-id", std::to_string(unshown.winId()), "_NET_WM_WINDOW_TYPE",
                                "_NET_WM_STATE", "_NET_WM_DESKTOP", "WM_HINTS"});
    for (const char* expected :
         {"_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DOCK\n", "_NET_WM_STATE_ABOVE",
          "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
          "_NET_WM_DESKTOP(CARDINAL) = 4294967295\n",
          "Client accepts input or input focus: False\n"})
        EXPECT_NE(properties.find(expected), std::string::npos) << expected << " in\n"
                                                                << properties;
}

// Clicked where it takes the pointer, it gets the press but never the focus; a click
// beside it goes to the window below, which the input monitor sees as another program's.
TEST_F(PanelWindowSystemTest, takesClicksOnlyInsideTheInputShapeAndNeverTheFocus) {
    X11InputMonitor monitor(X11Connection::fromQt());
    std::vector<bool> globalDowns;
    monitor.onPointerEvent = [&](PointerEventType type, bool global) {
        if (type == PointerEventType::leftDown)
            globalDowns.push_back(global);
    };
    system.setInputShape(panel, QRegion(310, 0, 100, 32)); // a pill at the top centre
    testing::syncQt();
    click({640, 16});
    click({640, 200});
    EXPECT_EQ(counter.presses, 1);
    EXPECT_EQ(other.buttonPresses, 1);
    EXPECT_EQ(activeWindow(), underneath);
    EXPECT_NE(QGuiApplication::focusWindow(), &panel);
    ASSERT_TRUE(waitFor([&] { return globalDowns.size() == 2; }));
    EXPECT_EQ(globalDowns, (std::vector<bool>{false, true}));
}

// With no compositing manager, transparent pixels would show black: the window is cut to
// what is drawn then.
TEST_F(PanelWindowSystemTest, isCutToItsDrawingUnlessACompositingManagerRuns) {
    int told = 0;
    system.onCompositingChanged = [&] { ++told; };
    const std::vector<QRect> drawing{{10, 0, 20, 10}, {100, 20, 30, 5}};
    system.setBoundingShape(panel, QRegion(drawing[0]).united(drawing[1]));
    EXPECT_FALSE(system.compositing());
    EXPECT_EQ(shape(XCB_SHAPE_SK_BOUNDING), drawing);
    testing::XcbClient compositor;
    const xcb_window_t owner = compositor.createWindow({0, 0, 1, 1}, false);
    compositor.own("_NET_WM_CM_S0", owner);
    ASSERT_TRUE(waitFor([&] { return told == 1; }));
    EXPECT_TRUE(system.compositing());
    EXPECT_EQ(shape(XCB_SHAPE_SK_BOUNDING), std::vector<QRect>{QRect(0, 0, 720, 560)});

    xcb_destroy_window(compositor.xcb(), owner);
    compositor.sync();
    ASSERT_TRUE(waitFor([&] { return told == 2; }));
    EXPECT_FALSE(system.compositing());
    EXPECT_EQ(shape(XCB_SHAPE_SK_BOUNDING), drawing);
}

// Opened by key and closed again before the window manager acted on the opening (two quick
// `dustlyn toggle`s on a busy desktop): the keyboard ends with the window that had it, not
// with the closed panel.
TEST_F(PanelWindowSystemTest, closedBeforeItWasActivatedLeavesTheKeyboardWhereItWas) {
    system.activate(panel);
    system.deactivate(panel);
    testing::syncQt();
    // The window manager takes requests in order: once it has put the other window above,
    // it has acted on every activation asked for before.
    testing::tool("wmctrl", {"-i", "-r", std::to_string(underneath), "-b", "add,above"});
    const xcb_atom_t above = other.atom("_NET_WM_STATE_ABOVE");
    ASSERT_TRUE(waitFor([&] {
        const auto states = other.property(underneath, "_NET_WM_STATE");
        return std::find(states.begin(), states.end(), above) != states.end();
    }));
    EXPECT_EQ(activeWindow(), underneath);
    const auto focus =
        xcb_get_input_focus_reply(other.xcb(), xcb_get_input_focus(other.xcb()), nullptr);
    ASSERT_NE(focus, nullptr);
    EXPECT_NE(focus->focus, id());
    std::free(focus);
}

} // namespace
} // namespace dustlyn

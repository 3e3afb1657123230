#include "app/platform/x11/X11PanelWindowSystem.h"
#include "tests/platform/support/Desktop.h"

#include <QWindow>

#include <gtest/gtest.h>
#include <xcb/shape.h>

#include <csignal>

namespace dustlyn {
namespace {

using testing::spinUntil;

class PanelWindowSystemTest : public ::testing::Test {
protected:
    X11PanelWindowSystem system{X11Connection::fromQt()};
    QWindow panel;
};

// Above others and on every workspace from its first showing: asked for before it is shown,
// where the states Qt adds of its own then cannot hide a missing one (and openbox, which
// the end-to-end tests run on, drops the sticky one).
TEST_F(PanelWindowSystemTest, isAboveOthersAndStickyFromItsFirstShowing) {
    system.preparePanel(panel);
    testing::syncQt();
    const std::string states =
        testing::tool("xprop", {"-id", std::to_string(panel.winId()), "_NET_WM_STATE"});
    for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY"})
        EXPECT_NE(states.find(state), std::string::npos) << state << " in " << states;
}

// With no compositing manager, transparent pixels would show black: the window is cut to
// what is drawn then.
TEST_F(PanelWindowSystemTest, isCutToItsDrawingUnlessACompositingManagerRuns) {
    panel.setGeometry(280, 0, 720, 560);
    system.preparePanel(panel);
    panel.show();
    ASSERT_TRUE(spinUntil([&] { return panel.isExposed(); }));
    testing::XcbClient compositor;
    const auto bounding = [&] {
        testing::syncQt();
        return compositor.shape(static_cast<xcb_window_t>(panel.winId()), XCB_SHAPE_SK_BOUNDING);
    };
    int told = 0;
    system.onCompositingChanged = [&] { ++told; };
    const std::vector<QRect> drawing{{10, 0, 20, 10}, {100, 20, 30, 5}};
    system.setBoundingShape(panel, QRegion(drawing[0]).united(drawing[1]));
    EXPECT_FALSE(system.compositing());
    EXPECT_EQ(bounding(), drawing);
    const xcb_window_t owner = compositor.createWindow({0, 0, 1, 1}, false);
    compositor.own("_NET_WM_CM_S0", owner);
    ASSERT_TRUE(spinUntil([&] { return told == 1; }));
    EXPECT_TRUE(system.compositing());
    EXPECT_EQ(bounding(), std::vector<QRect>{QRect(0, 0, 720, 560)});

    xcb_destroy_window(compositor.xcb(), owner);
    compositor.sync();
    ASSERT_TRUE(spinUntil([&] { return told == 2; }));
    EXPECT_FALSE(system.compositing());
    EXPECT_EQ(bounding(), drawing);
}

// Opened by key and closed again before the window manager acted on the opening (two quick
// `dustlyn toggle`s on a busy desktop): the keyboard ends with the window that had it, not
// with the closed panel.
TEST_F(PanelWindowSystemTest, closedBeforeItWasActivatedLeavesTheKeyboardWhereItWas) {
    testing::XcbClient other;
    const std::string typing = std::to_string(other.createWindow({240, 0, 800, 600}));
    testing::tool("xdotool", {"windowactivate", "--sync", typing});
    system.preparePanel(panel);
    panel.show();
    ASSERT_TRUE(spinUntil([&] { return panel.isExposed(); }));
    // The window manager is held still meanwhile. Going on, it first gives the panel the
    // keyboard as it was asked to (done for it here: openbox, catching up, would read the
    // panel's refusal of the keyboard first), then acts on what was asked after.
    const std::string wm = testing::tool("xprop", {"-root", "-notype", "_OPENBOX_PID"});
    const pid_t busy = std::stoi(wm.substr(wm.find('=') + 1));
    ::kill(busy, SIGSTOP);
    system.activate(panel);
    system.deactivate(panel);
    testing::syncQt();
    testing::tool("xdotool", {"windowfocus", std::to_string(panel.winId())});
    ::kill(busy, SIGCONT);
    // The window manager takes requests in order: once it has put the other window above,
    // it has acted on every activation asked for before.
    testing::tool("wmctrl", {"-i", "-r", typing, "-b", "add,above"});
    ASSERT_TRUE(spinUntil([&] {
        return testing::tool("xprop", {"-id", typing, "_NET_WM_STATE"}).find("_ABOVE") !=
               std::string::npos;
    }));
    EXPECT_EQ(testing::tool("xdotool", {"getactivewindow"}), typing + "\n");
    EXPECT_NE(testing::tool("xdotool", {"getwindowfocus"}), std::to_string(panel.winId()) + "\n");
}

} // namespace
} // namespace dustlyn

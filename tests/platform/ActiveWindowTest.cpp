#include "app/platform/x11/X11ActiveWindow.h"
#include "tests/platform/support/Desktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>
#include <unistd.h>

namespace dustlyn {
namespace {

using testing::tool;
using testing::waitFor;

class ActiveWindowTest : public ::testing::Test {
protected:
    // The window manager maps a new window and activates it in its own time.
    void activate(xcb_window_t window) {
        tool("xdotool", {"windowactivate", "--sync", std::to_string(window)});
        ASSERT_TRUE(waitFor([&] { return active.current().has_value(); }));
    }

    X11ActiveWindow active{X11Connection::fromQt()};
    testing::XcbClient other;
};

TEST_F(ActiveWindowTest, anotherProgramsWindowWithItsProcessAndPlace) {
    EXPECT_EQ(active.current(), std::nullopt) << "an empty desktop";
    const xcb_window_t anonymous = other.createWindow({20, 20, 100, 100});
    activate(anonymous);
    EXPECT_EQ(active.current()->pid, 0) << "a window that does not name its process";

    const xcb_window_t window = other.createWindow({120, 90, 300, 200});
    other.setCardinals(window, "_NET_WM_PID", {4242});
    tool("xdotool", {"windowactivate", "--sync", std::to_string(window)});
    const ActiveWindowState expected{4242, QRectF(other.geometryOf(window)), false};
    EXPECT_TRUE(waitFor([&] { return active.current() == expected; }));
}

TEST_F(ActiveWindowTest, aWindowTheWindowManagerMadeFullScreenCoversTheScreen) {
    const xcb_window_t window = other.createWindow({120, 90, 300, 200});
    other.setCardinals(window, "_NET_WM_PID", {4242});
    activate(window);
    tool("wmctrl", {"-i", "-r", std::to_string(window), "-b", "add,fullscreen"});
    // The state comes first, the new size with the window manager's next configure.
    const ActiveWindowState expected{4242, QRectF(QGuiApplication::primaryScreen()->geometry()),
                                     true};
    EXPECT_TRUE(waitFor([&] { return active.current() == expected; }));
}

TEST_F(ActiveWindowTest, thisProgramsFullScreenWindowNamesThisProcess) {
    QWindow window;
    window.showFullScreen();
    ASSERT_TRUE(waitFor([&] {
        const auto state = active.current();
        return state && state->fullScreen;
    }));
    EXPECT_EQ(active.current()->pid, ::getpid());
}

} // namespace
} // namespace dustlyn

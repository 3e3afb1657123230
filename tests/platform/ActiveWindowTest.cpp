#include "app/platform/x11/X11ActiveWindow.h"
#include "tests/platform/support/Desktop.h"

#include <QWindow>

#include <gtest/gtest.h>
#include <unistd.h>

namespace dustlyn {
namespace {

using testing::spinUntil;
using testing::tool;

class ActiveWindowTest : public ::testing::Test {
protected:
    // The window manager maps a new window and activates it in its own time.
    bool activated(xcb_window_t window, const std::function<bool()>& done) {
        tool("xdotool", {"windowactivate", "--sync", std::to_string(window)});
        return spinUntil(done);
    }

    X11ActiveWindow active{X11Connection::fromQt()};
    testing::XcbClient other;
};

TEST_F(ActiveWindowTest, anotherProgramsWindowWithItsProcessAndPlace) {
    EXPECT_EQ(active.current(), std::nullopt) << "an empty desktop";
    const xcb_window_t anonymous = other.createWindow({20, 20, 100, 100});
    EXPECT_TRUE(activated(anonymous, [&] {
        return active.current() && active.current()->pid == 0;
    })) << "a window that does not name its process";
    const xcb_window_t window = other.createWindow({120, 90, 300, 200});
    other.setCardinals(window, "_NET_WM_PID", {4242});
    EXPECT_TRUE(activated(window, [&] {
        return active.current() == ActiveWindowState{4242, QRectF(other.geometryOf(window)), false};
    }));

    // The state comes first, the new size with the window manager's next configure.
    tool("wmctrl", {"-i", "-r", std::to_string(window), "-b", "add,fullscreen"});
    EXPECT_TRUE(spinUntil([&] {
        return active.current() == ActiveWindowState{4242, {0, 0, 1280, 800}, true};
    }));
}

TEST_F(ActiveWindowTest, thisProgramsFullScreenWindowNamesThisProcess) {
    QWindow window;
    window.showFullScreen();
    EXPECT_TRUE(spinUntil([&] {
        return active.current() == ActiveWindowState{::getpid(), {0, 0, 1280, 800}, true};
    }));
}

} // namespace
} // namespace dustlyn

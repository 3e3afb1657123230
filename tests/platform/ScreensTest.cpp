#include "app/platform/QtScreens.h"
#include "app/platform/x11/NativeCoordinates.h"
#include "tests/platform/support/Desktop.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using testing::spinUntil;
using testing::tool;

class ScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        screens.onChanged = [this] { ++changes; };
    }

    QtScreens screens;
    int changes = 0;
};

// A top panel's reserved strip is what the notch measures its band by.
TEST_F(ScreensTest, aTopPanelShrinksTheScreensAvailableFrame) {
    testing::XcbClient panelProgram;
    const xcb_window_t panel = panelProgram.createWindow({0, 0, 1280, 30}, false);
    panelProgram.setAtoms(panel, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DOCK"});
    panelProgram.setCardinals(panel, "_NET_WM_STRUT_PARTIAL",
                              {0, 0, 30, 0, 0, 0, 0, 0, 0, 1279, 0, 0});
    xcb_map_window(panelProgram.xcb(), panel);
    panelProgram.sync();
    ASSERT_TRUE(spinUntil([&] { return changes > 0; }));
    EXPECT_EQ(screens.screens()[0].availableFrame, QRectF(0, 30, 1280, 770));
}

// RandR monitors: a clone shows the same picture, a screen beside the other does not.
TEST_F(ScreensTest, aClonedScreenIsMirroringAndOneBesideIsNot) {
    tool("xrandr", {"--setmonitor", "clone", "1280/338x800/211+0+0", "none"});
    ASSERT_TRUE(spinUntil([&] { return screens.screens().size() == 2 && changes > 0; }));
    EXPECT_TRUE(screens.mirrored());
    tool("xrandr", {"--delmonitor", "clone"});
    tool("xrandr", {"--setmonitor", "side", "640/100x400/100+1280+0", "none"});
    ASSERT_TRUE(spinUntil([&] { return screens.screens().size() == 2 && !screens.mirrored(); }));
    tool("xrandr", {"--delmonitor", "side"});
}

struct Conversion {
    const char* name;
    QPoint native;
    QPointF logical;
};

// A 1280 x 800 screen at 1x, and beside it a 2x screen of 1280 x 800 logical pixels whose
// corner Qt keeps at the server's (1280, 0).
const Conversion conversions[] = {
    {"onTheFirstScreen", {100, 50}, {100, 50}},
    {"atTheSecondScreensCorner", {1280, 0}, {1280, 0}},
    {"onTheSecondScreenHalved", {1280 + 400, 300}, {1280 + 200, 150}},
    {"offEveryScreen", {-5, -5}, {-5, -5}},
};

class NativeToLogical : public ::testing::TestWithParam<Conversion> {};

TEST_P(NativeToLogical, pointsFollowTheirScreensRatio) {
    const NativeCoordinates coordinates(
        {{QRect(0, 0, 1280, 800), 1}, {QRect(1280, 0, 1280, 800), 2}});
    EXPECT_EQ(coordinates.toLogical(GetParam().native), GetParam().logical);
}

INSTANTIATE_TEST_SUITE_P(Points, NativeToLogical, ::testing::ValuesIn(conversions),
                         testing::RowName());

TEST(NativeCoordinatesTest, windowRegionsScaleOutwards) {
    EXPECT_EQ(NativeCoordinates::toNativeLocal(QRect(10, 5, 100, 32), 1), QRect(10, 5, 100, 32));
    EXPECT_EQ(NativeCoordinates::toNativeLocal(QRect(10, 5, 100, 32), 2), QRect(20, 10, 200, 64));
    EXPECT_EQ(NativeCoordinates::toNativeLocal(QRect(1, 1, 3, 3), 1.5), QRect(1, 1, 5, 5));
}

} // namespace
} // namespace dustlyn

#include "app/notch/NotchGeometry.h"
#include "app/notch/QuietMode.h"
#include "tests/app/notch/FakePlatform.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

const ScreenDescription plain{QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048), 0, {}, {}};
const ScreenDescription notched{QRectF(1920, 0, 1512, 982), QRectF(1920, 38, 1512, 944), 38,
                                QRectF(1920, 0, 660, 38), QRectF(2772, 0, 660, 38)};

struct ChoiceCase {
    const char* name;
    std::vector<ScreenDescription> screens;
    std::optional<std::size_t> main;
    std::optional<std::size_t> chosen;
    bool hasNotch;
    double notchWidth;
    double notchHeight;
};

class ScreenChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ScreenChoiceTest, choosesAndMeasures) {
    const ChoiceCase& c = GetParam();
    FakeScreens screens;
    screens.list = c.screens;
    screens.main = c.main;
    const ScreenChoice choice = ScreenChoice::current(screens);
    ASSERT_EQ(choice.screen.has_value(), c.chosen.has_value());
    if (c.chosen) {
        EXPECT_EQ(*choice.screen, c.screens[*c.chosen]);
    }
    EXPECT_EQ(choice.geometry.hasNotch, c.hasNotch);
    EXPECT_DOUBLE_EQ(choice.geometry.notchWidth, c.notchWidth);
    EXPECT_DOUBLE_EQ(choice.geometry.notchHeight, c.notchHeight);
}

ScreenDescription with(ScreenDescription screen, double availableTop) {
    screen.availableFrame.setTop(availableTop);
    return screen;
}

ScreenDescription withoutAreas(ScreenDescription screen) {
    screen.auxiliaryTopLeftArea.reset();
    return screen;
}

INSTANTIATE_TEST_SUITE_P(
    Notch, ScreenChoiceTest,
    ::testing::Values(
        ChoiceCase{"aHousedScreenWinsOverTheMainOne", {plain, notched}, 0, 1, true, 192, 38},
        ChoiceCase{
            "aHousingWithoutSideAreasIsNoHousing", {withoutAreas(notched)}, 0, 0, false, 0, 38},
        ChoiceCase{"theTopPanelIsTheBand", {plain}, 0, 0, false, 0, 32},
        ChoiceCase{"anAutoHiddenPanelGives24", {with(plain, 0)}, 0, 0, false, 0, 24},
        ChoiceCase{"aPanelOf10OrLessGives24", {with(plain, 10)}, 0, 0, false, 0, 24},
        ChoiceCase{"theMainScreenBeforeTheFirst", {with(plain, 0), plain}, 1, 1, false, 0, 32},
        ChoiceCase{"theFirstScreenWithoutAMainOne", {plain, with(plain, 0)}, {}, 0, false, 0, 32},
        ChoiceCase{"aMainIndexPastTheListFallsToTheFirst", {plain}, 3, 0, false, 0, 32},
        ChoiceCase{"noScreensNoScreen", {}, {}, {}, false, 0, 24}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(NotchGeometry, rectanglesHangFromTheTopCentreOfTheChosenScreen) {
    // A second screen right of the first and lower down, with a 27-pixel panel.
    const NotchGeometry g = NotchGeometry::measure(
        {QRectF(1920, 200, 2560, 1440), QRectF(1920, 227, 2560, 1413), 0, {}, {}});
    EXPECT_EQ(g.panelFrame(), QRectF(2840, 200, 720, 560));
    EXPECT_EQ(g.body({100, 27}), QRectF(3150, 200, 100, 27));
    // A pill narrower than 180 still gets a 196-wide hot zone; a wider body widens it.
    EXPECT_EQ(g.hotZone({100, 27}), QRectF(3102, 200, 196, 29));
    EXPECT_EQ(g.hotZone({0, 27}), QRectF(3102, 200, 196, 29));
    EXPECT_EQ(g.hotZone({580, 300}), QRectF(2902, 200, 596, 29));
    EXPECT_EQ(g.dragTarget(), QRectF(3020, 200, 360, 77));
    EXPECT_EQ(NotchGeometry::grown(g.body({100, 27}), 14), QRectF(3136, 186, 128, 55));
}

TEST(NotchGeometry, aHousingWidensTheHotZoneToItsWidth) {
    const NotchGeometry g = NotchGeometry::measure(notched);
    EXPECT_EQ(g.hotZone({192, 38}), QRectF(2572, 0, 208, 40));
}

TEST(NotchGeometry, withoutAScreenNothingCanBeHit) {
    const NotchGeometry none = ScreenChoice::current(FakeScreens{}).geometry;
    EXPECT_EQ(none, NotchGeometry{});
    for (const QRectF& rect :
         {none.panelFrame(), none.body({480, 170}), none.hotZone({100, 24}), none.dragTarget()}) {
        EXPECT_TRUE(rect.isNull());
        EXPECT_FALSE(NotchGeometry::grown(rect, 20).contains(QPointF(0, 0)));
    }
}

struct QuietCase {
    const char* name;
    bool quietWhenBusy;
    bool mirrored;
    std::optional<ActiveWindowState> window;
    bool quiet;
};

class QuietModeTest : public ::testing::TestWithParam<QuietCase> {};

constexpr pid_t ownPid = 4242;

TEST_P(QuietModeTest, decides) {
    const QuietCase& c = GetParam();
    FakeScreens screens;
    screens.mirror = c.mirrored;
    FakeActiveWindow window;
    window.state = c.window;
    const QuietMode quiet(screens, window, ownPid);
    EXPECT_EQ(quiet.isQuiet(c.quietWhenBusy, QRectF(0, 0, 1920, 1080)), c.quiet);
}

ActiveWindowState win(pid_t pid, QRectF bounds, bool fullScreen = false) {
    return {pid, bounds, fullScreen};
}

INSTANTIATE_TEST_SUITE_P(
    Notch, QuietModeTest,
    ::testing::Values(
        QuietCase{"noActiveWindow", true, false, {}, false},
        QuietCase{"aWindowOfTheScreensSize", true, false, win(7, {0, 0, 1920, 1080}), true},
        QuietCase{"theSameSizeElsewhere", true, false, win(7, {1920, 0, 1920, 1080}), true},
        QuietCase{"justUnderOnePixelSmaller", true, false, win(7, {0, 0, 1919.5, 1080}), true},
        QuietCase{"exactlyOnePixelSmaller", true, false, win(7, {0, 0, 1919, 1080}), false},
        QuietCase{"fullScreenStateWhateverTheSize", true, false, win(7, {0, 0, 800, 600}, true),
                  true},
        QuietCase{"ownWindowsNeverCount", true, false, win(ownPid, {0, 0, 1920, 1080}, true),
                  false},
        QuietCase{"mirroredScreens", true, true, {}, true},
        QuietCase{"theSwitchOffWins", false, true, win(7, {0, 0, 1920, 1080}, true), false}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace dustlyn::testing

#include "app/notch/NotchDerived.h"
#include "app/notch/NotchGeometry.h"
#include "app/notch/NotchViewModel.h"
#include "app/notch/QuietMode.h"
#include "tests/app/notch/FakePlatform.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

const ScreenDescription plain{QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048), 0, {}, {}};
const ScreenDescription notched{QRectF(1920, 0, 1512, 982), QRectF(1920, 38, 1512, 944), 38,
                                QRectF(1920, 0, 660, 38), QRectF(2772, 0, 660, 38)};

ScreenDescription with(ScreenDescription screen, double availableTop) {
    screen.availableFrame.setTop(availableTop);
    return screen;
}

ScreenDescription withoutAreas(ScreenDescription screen) {
    screen.auxiliaryTopLeftArea.reset();
    return screen;
}

TEST(ScreenChoice, choosesAndMeasures) {
    const struct {
        const char* name;
        std::vector<ScreenDescription> screens;
        std::optional<std::size_t> main;
        std::optional<std::size_t> chosen;
        bool hasNotch;
        double notchWidth;
        double notchHeight;
    } cases[] = {
        {"aHousedScreenWinsOverTheMainOne", {plain, notched}, 0, 1, true, 192, 38},
        {"aHousingWithoutSideAreasIsNoHousing", {withoutAreas(notched)}, 0, 0, false, 0, 38},
        {"theTopPanelIsTheBand", {plain}, 0, 0, false, 0, 32},
        {"aPanelOf10OrLessGives24", {with(plain, 10)}, 0, 0, false, 0, 24},
        {"theMainScreenBeforeTheFirst", {with(plain, 0), plain}, 1, 1, false, 0, 32},
        {"theFirstScreenWithoutAMainOne", {plain, with(plain, 0)}, {}, 0, false, 0, 32},
        {"aMainIndexPastTheListFallsToTheFirst", {plain}, 3, 0, false, 0, 32},
        {"noScreensNoScreen", {}, {}, {}, false, 0, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeScreens screens;
        screens.list = c.screens;
        screens.main = c.main;
        const ScreenChoice choice = ScreenChoice::current(screens);
        EXPECT_EQ(choice.screen, c.chosen ? std::optional(c.screens[*c.chosen]) : std::nullopt);
        EXPECT_EQ(choice.geometry.hasNotch, c.hasNotch);
        EXPECT_DOUBLE_EQ(choice.geometry.notchWidth, c.notchWidth);
        EXPECT_DOUBLE_EQ(choice.geometry.notchHeight, c.notchHeight);
    }
}

TEST(NotchGeometry, rectanglesHangFromTheTopCentreOfTheChosenScreen) {
    // A second screen right of the first and lower down, with a 27-pixel panel.
    const NotchGeometry g = NotchGeometry::measure(
        {QRectF(1920, 200, 2560, 1440), QRectF(1920, 227, 2560, 1413), 0, {}, {}});
    EXPECT_EQ(g.panelFrame(), QRectF(2840, 200, 720, 560));
    EXPECT_EQ(g.body({100, 27}), QRectF(3150, 200, 100, 27));
    // A pill narrower than 180 still gets a 196-wide hot zone; a wider body widens it.
    EXPECT_EQ(g.hotZone({100, 27}), QRectF(3102, 200, 196, 29));
    EXPECT_EQ(g.hotZone({580, 300}), QRectF(2902, 200, 596, 29));
    EXPECT_EQ(g.dragTarget(), QRectF(3020, 200, 360, 77));
    EXPECT_EQ(NotchGeometry::grown(g.body({100, 27}), 14), QRectF(3136, 186, 128, 55));
    // A housing widens the hot zone to its own width.
    EXPECT_EQ(NotchGeometry::measure(notched).hotZone({192, 38}), QRectF(2572, 0, 208, 40));
}

constexpr pid_t ownPid = 4242;

ActiveWindowState win(pid_t pid, QRectF bounds, bool fullScreen = false) {
    return {pid, bounds, fullScreen};
}

TEST(QuietMode, decides) {
    const struct {
        const char* name;
        bool quietWhenBusy;
        bool mirrored;
        std::optional<ActiveWindowState> window;
        bool quiet;
    } cases[] = {
        {"noActiveWindow", true, false, {}, false},
        {"aWindowOfTheScreensSize", true, false, win(7, {0, 0, 1920, 1080}), true},
        {"theSameSizeElsewhere", true, false, win(7, {1920, 0, 1920, 1080}), true},
        {"justUnderOnePixelSmaller", true, false, win(7, {0, 0, 1919.5, 1080}), true},
        {"exactlyOnePixelSmaller", true, false, win(7, {0, 0, 1919, 1080}), false},
        {"fullScreenStateWhateverTheSize", true, false, win(7, {0, 0, 800, 600}, true), true},
        {"ownWindowsNeverCount", true, false, win(ownPid, {0, 0, 1920, 1080}, true), false},
        {"mirroredScreens", true, true, {}, true},
        {"theSwitchOffWins", false, true, win(7, {0, 0, 1920, 1080}, true), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeScreens screens;
        screens.mirror = c.mirrored;
        FakeActiveWindow window;
        window.state = c.window;
        const QuietMode quiet(screens, window, ownPid);
        EXPECT_EQ(quiet.isQuiet(c.quietWhenBusy, QRectF(0, 0, 1920, 1080)), c.quiet);
    }
}

using Mode = NotchViewModel::Mode;
using Tab = NotchViewModel::Tab;

const NotchGeometry unhoused{QRectF(0, 0, 1920, 1080), false, 0, 24};
const NotchGeometry housed{QRectF(0, 0, 1512, 982), true, 192, 38};

TEST(NotchViewModel, bodySizePerFace) {
    enum Flag { none, quiet, pillOff };
    const struct {
        const char* name;
        Mode mode;
        Tab tab;
        const NotchGeometry& screen;
        std::size_t leaving, quarantined;
        Flag flag;
        QSizeF size;
    } cases[] = {
        {"nothingWhenNothingLeaves", Mode::pill, Tab::leaving, unhoused, 0, 0, none, {0, 24}},
        {"nothingWhileQuiet", Mode::pill, Tab::leaving, unhoused, 3, 0, quiet, {0, 24}},
        {"aPillBesideTheHousing", Mode::pill, Tab::leaving, housed, 3, 0, none, {264, 38}},
        {"aSwitchedOffPillTakesNoRoom", Mode::pill, Tab::leaving, housed, 3, 0, pillOff, {192, 38}},
        {"openScrollsBeyondFive", Mode::open, Tab::leaving, unhoused, 9, 0, none, {580, 24 + 380}},
        {"anEmptyQuarantine", Mode::open, Tab::quarantine, unhoused, 9, 0, none, {580, 24 + 210}},
        {"quarantineRows", Mode::open, Tab::quarantine, housed, 0, 2, none, {580, 38 + 212}},
        {"aPeekOfSeveral", Mode::peek, Tab::leaving, unhoused, 2, 0, none, {480, 24 + 140}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NotchViewModel vm(c.screen, Date{});
        vm.setMode(c.mode);
        vm.setTab(c.tab);
        vm.setHidden(c.flag == quiet);
        vm.setPillEnabled(c.flag != pillOff);
        vm.setPeekFiles(std::vector<MatchedFile>(c.leaving)); // a peek shows the files leaving
        EXPECT_EQ(vm.bodySize(c.leaving, c.quarantined), c.size);
    }
}

TEST(NotchDerived, thePillShowsOnlyWhenFilesLeaveAndItIsSwitchedOnAndNotQuiet) {
    EXPECT_EQ(NotchDerived::pillOpacity(2, false, true), 1);
    EXPECT_EQ(NotchDerived::pillOpacity(2, false, false), 0);
    EXPECT_EQ(NotchDerived::pillOpacity(2, true, true), 0);
    EXPECT_EQ(NotchDerived::pillOpacity(0, false, true), 0);
}

TEST(Toast, texts) {
    const auto texts = [](const Toast& toast) { return toast.title() + " / " + toast.subtitle(); };
    EXPECT_EQ(texts(Toast::sweep({Uuid::random(), {"/d/a.png"}, 1, 0, "/q/a.png"})),
              "Moved 1 file to quarantine / 0 MB · you can restore them for 7 days");
    EXPECT_EQ(texts(Toast::keptFromPeek(1, "/d/a.png")),
              "Kept forever / Dustlyn won't touch it. Undo in Settings › Kept files.");
    EXPECT_EQ(texts(Toast::keptFromPeek(2, "/d/a.png")),
              "Kept 2 files / Dustlyn won't touch them. Undo in Settings › Kept files.");
}

} // namespace
} // namespace dustlyn::testing

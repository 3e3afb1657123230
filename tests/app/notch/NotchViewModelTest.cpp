#include "app/notch/NotchViewModel.h"
#include "app/notch/NotchDerived.h"
#include "tests/app/notch/FakePlatform.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

using Mode = NotchViewModel::Mode;
using Tab = NotchViewModel::Tab;

const NotchGeometry plain{QRectF(0, 0, 1920, 1080), false, 0, 24};
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
        {"aPillForFilesLeaving", Mode::pill, Tab::leaving, plain, 3, 0, none, {100, 24}},
        {"nothingWhenNothingLeaves", Mode::pill, Tab::leaving, plain, 0, 0, none, {0, 24}},
        {"nothingWhileQuiet", Mode::pill, Tab::leaving, plain, 3, 0, quiet, {0, 24}},
        {"aPillBesideTheHousing", Mode::pill, Tab::leaving, housed, 3, 0, none, {264, 38}},
        {"aSwitchedOffPillTakesNoRoom", Mode::pill, Tab::leaving, housed, 3, 0, pillOff, {192, 38}},
        {"openOnThreeRows", Mode::open, Tab::leaving, plain, 3, 0, none, {580, 24 + 268}},
        {"openScrollsBeyondFive", Mode::open, Tab::leaving, plain, 9, 0, none, {580, 24 + 380}},
        {"anEmptyQuarantine", Mode::open, Tab::quarantine, plain, 9, 0, none, {580, 24 + 210}},
        {"quarantineRows", Mode::open, Tab::quarantine, housed, 0, 2, none, {580, 38 + 212}},
        {"aPeekOfOne", Mode::peek, Tab::leaving, plain, 1, 0, none, {480, 24 + 146}},
        {"aPeekOfSeveral", Mode::peek, Tab::leaving, plain, 2, 0, none, {480, 24 + 140}},
        {"aToastIsAtLeast400Wide", Mode::toast, Tab::leaving, housed, 0, 0, none, {400, 38 + 60}},
        {"theDropZones", Mode::drop, Tab::leaving, housed, 0, 0, none, {480, 38 + 128}},
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

#include "app/notch/NotchViewModel.h"
#include "app/notch/NotchDerived.h"
#include "tests/app/notch/FakePlatform.h"

#include <gtest/gtest.h>

#include <limits>

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
        {"theDropZones", Mode::drop, Tab::leaving, housed, 0, 0, none, {480, 38 + 128}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NotchViewModel vm(c.screen, Date{});
        vm.setMode(c.mode);
        vm.setTab(c.tab);
        vm.setHidden(c.flag == quiet);
        vm.setPillEnabled(c.flag != pillOff);
        vm.setPeekFiles(std::vector<MatchedFile>(1));
        EXPECT_EQ(vm.bodySize(c.leaving, c.quarantined), c.size);
    }
}

TEST(NotchDerived, countdownAndPill) {
    const Date now = dateFromUnix(1'780'000'000);
    const MatchedFile due("/d/a.png", 1, now, Uuid::random(), true, dateAfter(now, -5));
    const MatchedFile counting("/d/b.png", 1, now, Uuid::random(), false, dateAfter(now, 600));
    EXPECT_DOUBLE_EQ(NotchDerived::nextDeadlineRemaining({due, counting}, now), 600);
    EXPECT_EQ(NotchDerived::nextDeadlineRemaining({due}, now),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(NotchDerived::pillOpacity(2, false, true), 1);
    EXPECT_EQ(NotchDerived::pillOpacity(2, false, false), 0);
    EXPECT_EQ(NotchDerived::pillOpacity(2, true, true), 0);
    EXPECT_EQ(NotchDerived::pillOpacity(0, false, true), 0);
}

TEST(Toast, texts) {
    const SweepSummary one{Uuid::random(), {"/d/a.png"}, 1, 0, "/q/a.png"};
    const struct {
        Toast toast;
        std::string title;
        std::string subtitle;
    } cases[] = {
        {Toast::sweep(one), "Moved 1 file to quarantine", "0 MB · you can restore them for 7 days"},
        {Toast::keptFromPeek(1, "/d/a.png"), "Kept forever",
         "Dustlyn won't touch it. Undo in Settings › Kept files."},
        {Toast::keptFromPeek(2, "/d/a.png"), "Kept 2 files",
         "Dustlyn won't touch them. Undo in Settings › Kept files."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(c.toast.title(), c.title);
        EXPECT_EQ(c.toast.subtitle(), c.subtitle);
    }
    EXPECT_EQ(Toast::sweep(one).url(), std::filesystem::path("/q/a.png"));
}

} // namespace
} // namespace dustlyn::testing

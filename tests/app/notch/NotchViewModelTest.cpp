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

struct BodyCase {
    const char* name;
    Mode mode;
    NotchGeometry geometry;
    std::size_t leaving;
    QSizeF size;
    Tab tab = Tab::leaving;
    bool hidden = false;
    bool pillEnabled = true;
    std::size_t peekCount = 1;
    std::size_t quarantined = 0;
};

class BodySize : public ::testing::TestWithParam<BodyCase> {};

TEST_P(BodySize, perFace) {
    const BodyCase& c = GetParam();
    NotchViewModel vm(c.geometry, Date{});
    vm.setMode(c.mode);
    vm.setTab(c.tab);
    vm.setHidden(c.hidden);
    vm.setPillEnabled(c.pillEnabled);
    vm.setPeekFiles(std::vector<MatchedFile>(c.peekCount));
    EXPECT_EQ(vm.bodySize(c.leaving, c.quarantined), c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Notch, BodySize,
    ::testing::Values(BodyCase{"aPillForFilesLeaving", Mode::pill, plain, 3, {100, 24}},
                      BodyCase{"nothingWhenNothingLeaves", Mode::pill, plain, 0, {0, 24}},
                      BodyCase{
                          "nothingWhileQuiet", Mode::pill, plain, 3, {0, 24}, Tab::leaving, true},
                      BodyCase{"aPillBesideTheHousing", Mode::pill, housed, 3, {264, 38}},
                      BodyCase{"aSwitchedOffPillTakesNoRoom",
                               Mode::pill,
                               housed,
                               3,
                               {192, 38},
                               Tab::leaving,
                               false,
                               false},
                      BodyCase{"openOnThreeRows", Mode::open, plain, 3, {580, 24 + 268}},
                      BodyCase{"openScrollsBeyondFiveRows", Mode::open, plain, 9, {580, 24 + 380}},
                      BodyCase{"openQuarantineCountsTheQuarantine",
                               Mode::open,
                               plain,
                               9,
                               {580, 24 + 210},
                               Tab::quarantine},
                      BodyCase{"openQuarantineRows",
                               Mode::open,
                               housed,
                               0,
                               {580, 38 + 106 + 106},
                               Tab::quarantine,
                               false,
                               true,
                               1,
                               2},
                      BodyCase{"theDropZones", Mode::drop, housed, 0, {480, 38 + 128}}),
    [](const auto& param) { return std::string(param.param.name); });

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

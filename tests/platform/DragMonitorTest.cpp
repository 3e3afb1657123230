#include "app/platform/x11/X11DragMonitor.h"
#include "tests/platform/support/Desktop.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using testing::PrintTo;
using testing::spinUntil;

class DragMonitorTest : public ::testing::Test {
protected:
    // Whether the change count settles at `count`, pumping the source meanwhile.
    bool settles(long count) {
        return spinUntil([&] {
            source.pump();
            return monitor.changeCount() == count;
        });
    }

    X11DragMonitor monitor{X11Connection::fromQt()};
    testing::XcbClient source;
    // Made once the server knows what the monitor watches: before the first drag starts.
    const xcb_window_t window = (testing::syncQt(), source.createWindow({0, 0, 10, 10}, false));
};

struct DragSource {
    const char* name;
    std::vector<std::string> types;
    bool typeListOnWindow; // more than three types: the source puts them in XdndTypeList
    bool offersFiles;
};

const DragSource sources[] = {
    {"filesListedOnTheWindow",
     {"text/uri-list", "text/plain", "x-special/gnome-copied-files", "UTF8_STRING"},
     true,
     true},
    {"textListedOnTheWindow", {"text/plain", "UTF8_STRING", "TEXT", "STRING"}, true, false},
    {"filesAnsweredAsTargets", {"TARGETS", "text/uri-list"}, false, true},
    {"textAnsweredAsTargets", {"TARGETS", "text/plain"}, false, false},
    {"noAnswerAtAll", {}, false, false},
};

class DragMonitorSees : public DragMonitorTest, public ::testing::WithParamInterface<DragSource> {};

// The types are known when the count settles: right away from the window's list, one
// answer later from the source itself.
TEST_P(DragMonitorSees, aNewDragAndWhetherItOffersFiles) {
    const DragSource drag = GetParam();
    EXPECT_FALSE(monitor.offersFiles());
    if (drag.typeListOnWindow)
        source.setAtoms(window, "XdndTypeList", drag.types);
    source.own("XdndSelection", window,
               drag.typeListOnWindow ? std::vector<std::string>{} : drag.types);
    ASSERT_TRUE(settles(drag.typeListOnWindow ? 1 : 2));
    EXPECT_EQ(monitor.offersFiles(), drag.offersFiles);
}

INSTANTIATE_TEST_SUITE_P(Sources, DragMonitorSees, ::testing::ValuesIn(sources),
                         testing::RowName());

// Qt's drag sources take the selection first and write their type list a moment later;
// they answer no TARGETS.
TEST_F(DragMonitorTest, aTypeListWrittenAfterTheSelectionWasTakenIsSeen) {
    source.own("XdndSelection", window);
    ASSERT_TRUE(settles(2)) << "the refused TARGETS";
    EXPECT_FALSE(monitor.offersFiles());
    source.setAtoms(window, "XdndTypeList", {"text/uri-list", "text/x-moz-url", "text/plain", "a"});
    ASSERT_TRUE(settles(3));
    EXPECT_TRUE(monitor.offersFiles());
}

// The drag ends when its source lets go of the selection; the next one is counted anew.
TEST_F(DragMonitorTest, eachNewDragMovesTheCountAndAnEndedOneDoesNot) {
    source.setAtoms(window, "XdndTypeList", {"text/uri-list", "a", "b", "c"});
    source.own("XdndSelection", window);
    ASSERT_TRUE(settles(1));
    EXPECT_TRUE(monitor.offersFiles());
    source.own("XdndSelection", XCB_NONE);
    const xcb_window_t next = source.createWindow({0, 0, 10, 10}, false);
    source.setAtoms(next, "XdndTypeList", {"text/plain", "a", "b", "c"});
    source.own("XdndSelection", next);
    ASSERT_TRUE(settles(2));
    EXPECT_FALSE(monitor.offersFiles());
}

} // namespace
} // namespace dustlyn

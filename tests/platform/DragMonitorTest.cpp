#include "app/platform/x11/X11DragMonitor.h"
#include "tests/platform/support/Desktop.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

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

// Sources with three types or fewer list them on no window: asked, they answer for them,
// and the types are known when the count settles one answer after the drag began.
TEST_F(DragMonitorTest, aSourceIsAskedWhetherItOffersFiles) {
    source.own("XdndSelection", window, {"TARGETS", "text/uri-list"});
    ASSERT_TRUE(settles(2));
    EXPECT_TRUE(monitor.offersFiles());
    source.own("XdndSelection", XCB_NONE);
    source.own("XdndSelection", window, {"TARGETS", "text/plain"});
    ASSERT_TRUE(settles(4));
    EXPECT_FALSE(monitor.offersFiles());
}

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

// Sources with more than three types list them on their window, where they are known as
// soon as the drag begins. The drag ends when its source lets go of the selection; the next
// one is counted anew.
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

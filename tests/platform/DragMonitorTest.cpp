#include "app/platform/x11/X11DragMonitor.h"
#include "tests/platform/support/Desktop.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using testing::PrintTo;

using testing::waitFor;

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

class DragMonitorSees : public ::testing::TestWithParam<DragSource> {};

TEST_P(DragMonitorSees, aNewDragAndWhetherItOffersFiles) {
    const DragSource source = GetParam();
    X11DragMonitor monitor(X11Connection::fromQt());
    testing::syncQt(); // watching before the first drag starts
    const long before = monitor.changeCount();
    EXPECT_FALSE(monitor.offersFiles());

    testing::XcbClient other;
    const xcb_window_t window = other.createWindow({0, 0, 10, 10}, false);
    if (source.typeListOnWindow)
        other.setAtoms(window, "XdndTypeList", source.types);
    other.own("XdndSelection", window,
              source.typeListOnWindow ? std::vector<std::string>{} : source.types);
    // The types are known when the count settles: right away from the window's list, one
    // answer later from the source itself.
    const long settled = before + (source.typeListOnWindow ? 1 : 2);
    ASSERT_TRUE(waitFor([&] {
        other.pump();
        return monitor.changeCount() == settled;
    }));
    EXPECT_EQ(monitor.offersFiles(), source.offersFiles);
}

INSTANTIATE_TEST_SUITE_P(Sources, DragMonitorSees, ::testing::ValuesIn(sources),
                         testing::RowName());

// Qt's drag sources take the selection first and write their type list a moment later;
// they answer no TARGETS.
TEST(DragMonitor, aTypeListWrittenAfterTheSelectionWasTakenIsSeen) {
    X11DragMonitor monitor(X11Connection::fromQt());
    testing::syncQt();
    testing::XcbClient other;
    const xcb_window_t window = other.createWindow({0, 0, 10, 10}, false);
    other.own("XdndSelection", window);
    ASSERT_TRUE(waitFor([&] {
        other.pump();
        return monitor.changeCount() == 2;
    })) << "the refused TARGETS";
    EXPECT_FALSE(monitor.offersFiles());

    const long before = monitor.changeCount();
    other.setAtoms(window, "XdndTypeList", {"text/uri-list", "text/x-moz-url", "text/plain", "a"});
    ASSERT_TRUE(waitFor([&] { return monitor.changeCount() > before; }));
    EXPECT_TRUE(monitor.offersFiles());
}

TEST(DragMonitor, eachNewDragMovesTheCountAndAnEndedOneDoesNot) {
    X11DragMonitor monitor(X11Connection::fromQt());
    testing::syncQt(); // watching before the first drag starts
    testing::XcbClient other;
    const xcb_window_t window = other.createWindow({0, 0, 10, 10}, false);
    other.setAtoms(window, "XdndTypeList", {"text/uri-list", "a", "b", "c"});
    other.own("XdndSelection", window);
    ASSERT_TRUE(waitFor([&] { return monitor.changeCount() == 1; }));
    EXPECT_TRUE(monitor.offersFiles());

    // The drag ends: its source lets go of the selection.
    other.own("XdndSelection", XCB_NONE);
    const xcb_window_t marker = other.createWindow({0, 0, 10, 10}, false);
    other.setAtoms(marker, "XdndTypeList", {"text/plain", "a", "b", "c"});
    other.own("XdndSelection", marker);
    ASSERT_TRUE(waitFor([&] { return monitor.changeCount() == 2; }));
    EXPECT_FALSE(monitor.offersFiles());
}

} // namespace
} // namespace dustlyn

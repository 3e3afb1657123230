#include "app/notch/NotchDerived.h"
#include "tests/app/notch/NotchFixture.h"

namespace dustlyn::testing {
namespace {

class Pointer : public NotchFixture {
protected:
    void SetUp() override { start(); }
    void release() { input_.onPointerEvent(PointerEventType::leftUp, true); }
    // A point `dy` below the bottom edge of the current body, on its centre line.
    QPointF below(double dy) const { return {960, notch_->bodyRect().bottom() + dy}; }
};

TEST_F(Pointer, restingOnTheTopCentreOpensAndLeavingCloses) {
    moveTo(topCentre);
    advance(0.1);
    moveTo({960, 40}); // a pass across the top edge, below the 34-pixel hot zone
    advance(1);
    EXPECT_EQ(mode(), Mode::pill);
    moveTo(topCentre);
    advance(0.1);
    moveTo({970, 10}); // moving within the hot zone does not restart the wait
    advance(0.04);
    EXPECT_EQ(mode(), Mode::pill);
    advance(0.02);
    ASSERT_EQ(mode(), Mode::open);
    EXPECT_TRUE(notch_->openedByHover());
    EXPECT_FALSE(panel_->key); // hovering never takes the keyboard
    moveTo(farAway);
    advance(0.29);
    EXPECT_EQ(mode(), Mode::open);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Pointer, aPanelOpenedByHoverClosesOnlyWhenLeftFor300ms) {
    const struct {
        const char* name;
        double dy;
        bool stays;
    } cases[] = {{"inside", -5, true}, {"withinTheSlack", 13, true}, {"beyondTheSlack", 15, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        notch_->close();
        moveTo(topCentre);
        advance(0.2);
        ASSERT_EQ(mode(), Mode::open);
        moveTo(farAway);
        advance(0.2);
        moveTo(below(c.dy));
        advance(1);
        EXPECT_EQ(mode() == Mode::open, c.stays);
    }
}

// Esc on a panel the pointer rests on must not have the hover open it again at once.
TEST_F(Pointer, closingWithThePointerOnTheNotchOpensByHoverOnlyAfterItLeft) {
    moveTo(topCentre);
    notch_->open(false);
    EXPECT_TRUE(notch_->handleEscape());
    advance(1);
    EXPECT_EQ(mode(), Mode::pill);
    moveTo(farAway);
    moveTo(topCentre);
    advance(0.2);
    EXPECT_EQ(mode(), Mode::open);
}

TEST_F(Pointer, aPanelOpenedOnPurposeClosesOnAClickElsewhere) {
    notch_->open(false);
    EXPECT_TRUE(panel_->key);
    moveTo(farAway);
    advance(1);
    click(farAway, false); // in this program's own settings window
    click(below(7));       // within the 8-pixel slack
    EXPECT_EQ(mode(), Mode::open);
    click(farAway);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_FALSE(panel_->key);
}

TEST_F(Pointer, theDrawnPillIsAButtonAndNothingElseTakesClicks) {
    EXPECT_TRUE(panel_->input.isEmpty());
    click(topCentre, false);
    EXPECT_EQ(mode(), Mode::pill);
    addFile("a.png");
    EXPECT_EQ(panel_->input, QRectF(310, 0, 100, 32));
    click(topCentre, false);
    EXPECT_EQ(mode(), Mode::open);
    EXPECT_TRUE(panel_->key);
    EXPECT_EQ(panel_->input, QRectF(70, 0, 580, 32 + 106 + 50));
}

TEST_F(Pointer, whileQuietHoverDoesNothingButTheHotKeyStillOpens) {
    addFile("a.png");
    window_.state = ActiveWindowState{7, QRectF(0, 0, 1920, 1080), true};
    advance(2);
    ASSERT_TRUE(vm().hidden());
    EXPECT_TRUE(panel_->input.isEmpty());
    moveTo(topCentre);
    advance(1);
    EXPECT_EQ(mode(), Mode::pill);
    hotKey_.action();
    EXPECT_EQ(mode(), Mode::open);
    hotKey_.action();
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Pointer, hoveringHoldsAPeekAndLeavingGivesItOneAndAHalfSeconds) {
    addFile("a.png");
    notch_->demo("peek");
    moveTo({960, 100});
    EXPECT_TRUE(vm().peekHovered());
    advance(10);
    EXPECT_EQ(mode(), Mode::peek);
    moveTo(farAway);
    EXPECT_FALSE(vm().peekHovered());
    EXPECT_EQ(NotchDerived::peekProgress(false, vm().peekEndsAt(), clock_->now()), 0.375);
    advance(1.49);
    EXPECT_EQ(mode(), Mode::peek);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Pointer, aFileDragNearTheNotchShowsTheDropZonesUntilReleasedButNotWhileQuiet) {
    drag_.count = 1; // a drag without files
    dragTo({960, 60});
    EXPECT_EQ(mode(), Mode::pill);
    drag_.count = 2;
    drag_.files = true;
    dragTo({960, 300});
    EXPECT_EQ(mode(), Mode::pill);
    dragTo({960, 60});
    ASSERT_EQ(mode(), Mode::drop);
    EXPECT_EQ(panel_->input, QRectF(120, 0, 480, 32 + 128));
    dragTo(farAway); // still dragging: the zones stay
    EXPECT_EQ(mode(), Mode::drop);
    EXPECT_EQ(drag_.offersAsked, 2) << "once per drag";
    dragTo({960, 60});
    release();
    advance(0.24);
    EXPECT_EQ(mode(), Mode::drop);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::pill);

    drag_.count = 3;
    window_.state = ActiveWindowState{7, QRectF(0, 0, 1920, 1080), false};
    advance(2);
    dragTo({960, 60});
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Pointer, escClosesEveryFaceButTheResting) {
    addFile("a.png");
    input_.pointer = {960, 60};
    const struct {
        const char* demo;
        bool used;
    } cases[] = {{"none", false}, {"open", true}, {"peek", true}, {"toast", true}, {"drop", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.demo);
        notch_->demo(c.demo);
        EXPECT_EQ(notch_->handleEscape(), c.used);
        EXPECT_EQ(mode(), Mode::pill);
        EXPECT_FALSE(panel_->key);
    }
}

} // namespace
} // namespace dustlyn::testing

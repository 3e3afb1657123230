#include "app/insights/FileInsights.h"
#include "app/notch/NotchDerived.h"
#include "core/base/Paths.h"
#include "tests/app/notch/NotchFixture.h"

#include <fstream>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

// The controller over a real model in a throw-away home, started on the fixture's screen.
class Notch : public NotchFixture {
protected:
    void SetUp() override { start(); }
    std::string toastTitle() const { return notch_->vm().toast()->title(); }
    // Announces a new file the way the model does.
    void arrive(const std::string& name) {
        addFile(name);
        notch_->handleNewFiles(files({name}));
    }
    std::vector<std::string> peeked() {
        std::vector<std::string> names;
        for (const auto& file : vm().peekFiles())
            names.push_back(std::filesystem::path(file.url).filename());
        return names;
    }
    // A point `dy` below the bottom edge of the current body, on its centre line.
    QPointF below(double dy) const { return {960, notch_->bodyRect().bottom() + dy}; }
};

// Commands from the faces and the shell, peeks of new files, and the pointer.
using Commands = Notch;
using Peek = Notch;
using Pointer = Notch;

TEST_F(Commands, aSweepToastOnlyWhenSwitchedOnAndTheNotchIsFree) {
    const struct {
        const char* name;
        bool toastAfterSweep;
        const char* demo;
        bool quiet;
        Mode after;
    } cases[] = {{"resting", true, "", false, Mode::toast},
                 {"switchedOff", false, "", false, Mode::pill},
                 {"open", true, "open", false, Mode::open},
                 {"quiet", true, "", true, Mode::pill}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start([&](Configuration& config) { config.notch.toastAfterSweep = c.toastAfterSweep; });
        window_.state.reset();
        if (c.quiet)
            window_.state = ActiveWindowState{7, QRectF(0, 0, 1920, 1080), true};
        advance(2);
        notch_->demo(c.demo);
        notch_->handleSweep({Uuid::random(), {}, 1, 0, std::nullopt});
        EXPECT_EQ(mode(), c.after);
    }
}

TEST_F(Commands, keepAndTimeChoicesOnAPeekConfirmOnlyWhileItShows) {
    addFile("a.png");
    addFile("b.png");
    notch_->peek(files({"a.png", "b.png"}), true);
    notch_->keep(files({"a.png", "b.png"}));
    EXPECT_EQ(mode(), Mode::toast);
    EXPECT_EQ(toastTitle(), "Kept 2 files");
    EXPECT_EQ(model_->config().pins.size(), 2u);

    const fs::path c = addFile("c.png");
    notch_->peek(files({"c.png"}), true);
    notch_->setTimer(files({"c.png"}).front(), 3600);
    EXPECT_EQ(toastTitle(),
              "Leaves " + FileInsights::clock(dateAfter(clock_->now(), 3600), clock_->now()));
    EXPECT_EQ(vm().toast()->subtitle(), "c.png goes to quarantine then.");
    EXPECT_EQ(notch_->vm().toast()->url(), c);

    advance(5); // the peek ended under a slow click: the command acts, silently
    addFile("d.png");
    notch_->setTimer(files({"d.png"}).front(), 60);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_EQ(model_->config().timers.count(resolvePath(home_ / "Desktop/d.png")), 1u);
}

TEST_F(Commands, undoSaysWhatReallyCameBack) {
    const SweepSummary summary = sweepFiles({"a.png", "b.png"});
    notch_->handleSweep(summary);
    fs::remove(quarantine() / "b.png"); // purged meanwhile
    notch_->undo(summary);
    EXPECT_EQ(toastTitle(), "Restored 1 file");
    EXPECT_TRUE(fs::exists(home_ / "Desktop/a.png"));
    notch_->undo(summary);
    EXPECT_EQ(toastTitle(), "Nothing restored");
}

TEST_F(Commands, dropsActOnRegularFilesOnly) {
    const fs::path a = addFile("a.png");
    const fs::path b = makeFile("Desktop/notes.txt", 10);
    const fs::path c = makeFile("Downloads/c.zip", 10);
    fs::create_directories(home_ / "Desktop/folder");
    fs::create_symlink(a, home_ / "Desktop/link.png");
    const auto drop = [&](std::vector<fs::path> urls, NotchViewModel::DropKind kind) {
        input_.pointer = {960, 60};
        notch_->demo("drop");
        input_.pointer = farAway; // the toast is not held by the pointer
        notch_->handleDrop(urls, kind);
    };

    drop({home_ / "Desktop/folder", home_ / "Desktop/link.png", home_ / "missing"},
         NotchViewModel::DropKind::keep);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_TRUE(model_->config().pins.empty());

    drop({home_ / "Desktop/folder", a, b, c}, NotchViewModel::DropKind::timer);
    EXPECT_EQ(mode(), Mode::toast);
    EXPECT_EQ(model_->config().timers.size(), 3u);
    EXPECT_EQ(toastTitle(),
              "Leaves " + FileInsights::clock(dateAfter(clock_->now(), 3600), clock_->now()));
    EXPECT_EQ(notch_->vm().toast()->url(), a);
    advance(1.99);
    EXPECT_EQ(mode(), Mode::toast);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::pill);

    drop({b}, NotchViewModel::DropKind::keep);
    EXPECT_EQ(toastTitle(), "Kept forever");
    EXPECT_EQ(vm().toast()->subtitle(), "No rule will ever touch it.");

    // A name the model cannot record is not reported as kept.
    drop({makeFile(std::string("Desktop/bad\xff.png"), 10)}, NotchViewModel::DropKind::keep);
    EXPECT_EQ(toastTitle(), "Left alone");
    EXPECT_EQ(model_->config().pins.size(), 1u);
}

TEST_F(Commands, theOpenPanelShowsTheLastScanAtOnceAndIsRescannedRightAfter) {
    addFile("a.png");
    std::ofstream(home_.path() / "Desktop/b.png") << "not scanned yet";
    notch_->open(true);
    EXPECT_EQ(mode(), Mode::open);
    EXPECT_EQ(model_->leaving().size(), 1u) << "the first frame does not wait for a rescan";
    advance(0);
    EXPECT_EQ(model_->leaving().size(), 2u);
}

TEST_F(Commands, quietEndsAPeekAtOnceButNeverTheOpenPanel) {
    addFile("a.png");
    notch_->demo("peek");
    window_.state = ActiveWindowState{7, QRectF(0, 0, 1920, 1080), false};
    advance(1);
    EXPECT_EQ(mode(), Mode::peek);
    advance(1);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_TRUE(vm().hidden());

    window_.state.reset();
    advance(2);
    ASSERT_FALSE(vm().hidden());
    notch_->open(false);
    window_.state = ActiveWindowState{7, QRectF(0, 0, 1920, 1080), true};
    advance(10);
    EXPECT_EQ(mode(), Mode::open);
    EXPECT_FALSE(vm().hidden());
    notch_->close();
    advance(2);
    EXPECT_TRUE(vm().hidden());
}

TEST_F(Commands, aForcedPeekOverTheOpenPanelGivesTheKeyboardBackWhenItEnds) {
    addFile("a.png");
    notch_->open(false);
    notch_->peek(files({"a.png"}), true);
    advance(4.01);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_FALSE(panel_->key);
}

TEST_F(Commands, settingsFollowTheSwitches) {
    EXPECT_TRUE(hotKey_.on);
    EXPECT_TRUE(vm().pillEnabled());
    start([](Configuration& config) {
        config.notch.showPill = false;
        config.notch.hotkeyEnabled = false;
    });
    EXPECT_FALSE(hotKey_.on);
    EXPECT_FALSE(vm().pillEnabled());
    addFile("a.png");
    EXPECT_TRUE(panel_->input.isEmpty()); // nothing drawn, nothing to click
}

TEST_F(Commands, theNotchFollowsTheScreens) {
    EXPECT_TRUE(panel_->front);
    screens_.list = {{QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 800), 0, {}, {}}};
    screens_.onChanged();
    EXPECT_EQ(panel_->frame, QRectF(280, 0, 720, 560));
    EXPECT_EQ(vm().geometry().notchHeight, 24);
    screens_.list.clear();
    screens_.onChanged();
    EXPECT_EQ(panel_->frame, QRectF(280, 0, 720, 560)); // stays where it was
    moveTo({0, 0});
    advance(1);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Peek, filesInQuickSuccessionMakeOnePeekAfterTheLastOfThoseStillCountingDown) {
    arrive("a.png");
    advance(1.0);
    arrive("b.png");
    notch_->handleNewFiles(files({"a.png"})); // announced twice, peeked once
    arrive("kept.png");
    model_->keep(files({"kept.png"}).front().url);
    advance(1.19);
    EXPECT_EQ(mode(), Mode::pill);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::peek);
    EXPECT_EQ(peeked(), (std::vector<std::string>{"a.png", "b.png"}));
    advance(3.97);
    EXPECT_EQ(mode(), Mode::peek);
    advance(0.04);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Peek, waitsWhileTheUserTypesButNotForEver) {
    input_.sinceKeyPress = 1.0; // typing
    arrive("a.png");
    advance(1.21);
    EXPECT_EQ(mode(), Mode::pill);
    input_.sinceKeyPress = 2.0; // a pause: the next retry shows it
    advance(0.5);
    EXPECT_EQ(mode(), Mode::peek);

    advance(120);               // past the ration
    input_.sinceKeyPress = 0.1; // typing without pause: at most 20 retries
    arrive("b.png");
    advance(1.2 + 20 * 0.5 - 0.01);
    EXPECT_EQ(mode(), Mode::pill);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::peek);
}

TEST_F(Peek, atMostOneAutomaticPeekEveryTwoMinutes) {
    const struct {
        double after;
        bool shown;
    } cases[] = {{90, false}, {119.9, false}, {120.1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        start();
        arrive("first.png");
        advance(1.21);
        ASSERT_EQ(mode(), Mode::peek);
        advance(c.after - 1.21);
        arrive("second" + std::to_string(c.after) + ".png");
        advance(1.21);
        EXPECT_EQ(mode() == Mode::peek, c.shown);
        advance(200);
    }
}

TEST_F(Peek, aFlushReplacesAToastAndASweepToastReplacesAPeek) {
    notch_->demo("toast");
    arrive("a.png");
    advance(1.21);
    EXPECT_EQ(mode(), Mode::peek);
    const SweepSummary summary{Uuid::random(), {}, 2, 10, std::nullopt};
    notch_->handleSweep(summary);
    EXPECT_EQ(mode(), Mode::toast);
    EXPECT_EQ(vm().toast(), Toast::sweep(summary));
    advance(3.19);
    EXPECT_EQ(mode(), Mode::toast);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::pill);
}

// Files arriving while peeks are switched off, while quiet or while the panel is open make
// no peek, then or later.
TEST_F(Peek, nothingWhenSwitchedOffQuietOrOpenAndNothingIsHeldForLater) {
    const struct {
        const char* name;
        bool peekOnNewFiles;
        bool quiet;
        Mode whileArriving;
    } cases[] = {{"switchedOff", false, false, Mode::pill},
                 {"quiet", true, true, Mode::pill},
                 {"open", true, false, Mode::open}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start([&](Configuration& config) { config.notch.peekOnNewFiles = c.peekOnNewFiles; });
        window_.state.reset();
        if (c.quiet)
            window_.state = ActiveWindowState{7, QRectF(0, 0, 1920, 1080), false};
        advance(2);
        if (c.whileArriving == Mode::open)
            notch_->open(false);
        arrive(c.name + std::string(".png"));
        advance(1.21);
        EXPECT_EQ(mode(), c.whileArriving);
        notch_->close();
        advance(30);
        EXPECT_EQ(mode(), Mode::pill);
        EXPECT_TRUE(vm().peekFiles().empty());
    }
}

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
}

TEST_F(Pointer, hoveringHoldsAPeekAndLeavingGivesItOneAndAHalfSeconds) {
    addFile("a.png");
    notch_->demo("peek");
    moveTo({960, 100});
    advance(10);
    EXPECT_EQ(mode(), Mode::peek);
    moveTo(farAway);
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
    dragTo(farAway); // still dragging: the zones stay
    EXPECT_EQ(mode(), Mode::drop);
    EXPECT_EQ(drag_.offersAsked, 2) << "once per drag";
    dragTo({960, 60});
    input_.onPointerEvent(PointerEventType::leftUp, true); // released without a drop
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

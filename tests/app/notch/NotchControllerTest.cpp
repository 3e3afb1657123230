#include "app/insights/FileInsights.h"
#include "core/base/Paths.h"
#include "tests/app/notch/NotchFixture.h"

#include <fstream>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

class Commands : public NotchFixture {
protected:
    void SetUp() override { start(); }
    std::string toastTitle() const { return notch_->vm().toast()->title(); }
    std::string toastSubtitle() const { return notch_->vm().toast()->subtitle(); }
};

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
    EXPECT_EQ(toastSubtitle(), "c.png goes to quarantine then.");
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
    EXPECT_EQ(toastSubtitle(), "Back where they were, and kept.");
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
    EXPECT_FALSE(notch_->vm().toast());
    EXPECT_TRUE(model_->config().pins.empty());

    drop({home_ / "Desktop/folder", a, b, c}, NotchViewModel::DropKind::timer);
    EXPECT_EQ(mode(), Mode::toast);
    EXPECT_EQ(model_->config().timers.size(), 3u);
    EXPECT_EQ(toastTitle(),
              "Leaves " + FileInsights::clock(dateAfter(clock_->now(), 3600), clock_->now()));
    EXPECT_EQ(toastSubtitle(), "Then 7 days in quarantine before it's deleted.");
    EXPECT_EQ(notch_->vm().toast()->url(), a);
    advance(1.99);
    EXPECT_EQ(mode(), Mode::toast);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::pill);

    drop({b}, NotchViewModel::DropKind::keep);
    EXPECT_EQ(toastTitle(), "Kept forever");
    EXPECT_EQ(toastSubtitle(), "No rule will ever touch it.");

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
    notch_->open(false);
    notch_->showSettings();
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_EQ(settingsOpened_, 1);
}

TEST_F(Commands, theNotchFollowsTheScreens) {
    EXPECT_EQ(panel_->frame, QRectF(600, 0, 720, 560));
    EXPECT_TRUE(panel_->front);
    screens_.list = {{QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 800), 0, {}, {}}};
    screens_.onChanged();
    EXPECT_EQ(panel_->frame, QRectF(280, 0, 720, 560));
    EXPECT_EQ(vm().geometry().notchHeight, 24);
    screens_.list.clear();
    screens_.onChanged();
    EXPECT_FALSE(notch_->screen());
    EXPECT_EQ(panel_->frame, QRectF(280, 0, 720, 560)); // stays where it was
    moveTo({0, 0});
    advance(1);
    EXPECT_EQ(mode(), Mode::pill);
}

} // namespace
} // namespace dustlyn::testing

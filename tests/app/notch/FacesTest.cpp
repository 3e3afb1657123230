#include "app/brand/Logo.h"
#include "app/brand/Palette.h"
#include "app/insights/FileInsights.h"
#include "app/insights/FileThumbnail.h"
#include "app/notch/EmptyState.h"
#include "app/notch/IconButton.h"
#include "app/notch/LeavingList.h"
#include "app/notch/LeavingRow.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchLabel.h"
#include "app/notch/NotchTabs.h"
#include "app/notch/OpenPanel.h"
#include "app/notch/PeekCard.h"
#include "app/notch/PillContent.h"
#include "app/notch/QuarantineList.h"
#include "app/notch/QuarantineRow.h"
#include "app/notch/SplitBar.h"
#include "app/notch/ToastRow.h"
#include "core/base/ByteCount.h"
#include "core/config/DurationText.h"
#include "tests/app/notch/ViewFixture.h"

namespace dustlyn::testing {
namespace {

using Tab = NotchViewModel::Tab;

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

class Faces : public ViewFixture {
protected:
    void SetUp() override { startViews(); }
};

TEST_F(Faces, thePillCountsDownInTheLastTenMinutesWithAnOrangeBadge) {
    const struct {
        const char* name;
        double age; // of the one file; it leaves at 3600
        double later;
        bool pillCountdown;
        const char* countdown;
    } cases[] = {
        {"anHourLeftShowsTheLogo", 0, 0, true, ""},
        {"exactlyTenMinutesShowsTheLogo", 3000, 0, true, ""},
        {"justUnderTenMinutesCountsDown", 3000, 0.1, true, "9:59"},
        {"switchedOffNeverCountsDown", 3300, 0, false, ""},
        {"aFileAlreadyDueDrivesNoCountdown", 4000, 0, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startViews([&](Configuration& config) { config.notch.pillCountdown = c.pillCountdown; });
        addFile("a.png", c.age);
        vm().setNow(dateAfter(clock_->now(), c.later));
        const PillContent& pill = root().pill();
        EXPECT_EQ(pill.face().count, 1u);
        EXPECT_EQ(pill.face().countdown, QString(c.countdown));
        const bool counting = *c.countdown != 0;
        EXPECT_EQ(pill.badgeFill(), counting ? Palette::signal() : Palette::notchControl());
        EXPECT_EQ(pill.badgeText(), counting ? QColor(Qt::black) : Palette::notchText());
        std::filesystem::remove(home_ / "Desktop/a.png");
    }
}

TEST_F(Faces, theOpenPanelHeaderSizesEachTab) {
    sweepFiles({"gone.png"});
    addFile("a.png", 100, "12345");
    addFile("b.png", 200, "123");
    openOn(Tab::leaving);
    EXPECT_EQ(open().tabs().currentIndex(), 0);
    EXPECT_EQ(open().sizeText().text(), "8 bytes");
    EXPECT_EQ(open().splitBar().parts(), std::vector<std::int64_t>{8});

    vm().setTab(Tab::quarantine);
    EXPECT_EQ(open().tabs().currentIndex(), 1);
    EXPECT_EQ(open().sizeText().text(), text(formatByteCount(model_->quarantinedSize())));
    EXPECT_TRUE(open().splitBar().parts().empty());
    EXPECT_FALSE(open().cleanUpButton().isVisible());
}

TEST_F(Faces, theFooterSaysWhatTheQuarantineDidAndWhetherDustlynIsPaused) {
    addFile("a.png");
    openOn(Tab::leaving);
    EXPECT_EQ(open().statusText().text(), "Quarantine keeps files 7 days");
    EXPECT_TRUE(open().cleanUpButton().isVisible());
    EXPECT_EQ(open().pauseButton().help(), "Pause");
    EXPECT_EQ(open().pauseButton().accessibleName(), "Pause");
    EXPECT_EQ(open().cleanUpButton().toolTip(),
              "Move every file in Leaving soon to quarantine now. You can undo, or restore "
              "them for 7 days.");

    model_->togglePaused();
    EXPECT_EQ(open().statusText().text(), "Paused. Nothing moves until you resume.");
    EXPECT_FALSE(open().cleanUpButton().isVisible());
    EXPECT_EQ(open().pauseButton().help(), "Resume");
    EXPECT_EQ(open().pauseButton().accessibleName(), "Resume");

    model_->togglePaused();
    sweepFiles({"old.png"});
    EXPECT_EQ(open().statusText().text(),
              "Cleared " + text(formatByteCount(model_->statsThisMonth().clearedSize)) +
                  " this month");
    EXPECT_TRUE(open().cleanUpButton().isVisible());
}

TEST_F(Faces, emptyListsExplainThemselves) {
    openOn(Tab::leaving);
    EXPECT_EQ(open().leavingList().emptyState().title(), "Nothing is leaving soon");
    EXPECT_EQ(open().leavingList().emptyState().subtitle(),
              "New screenshots and downloads show up here with a countdown.");
    EXPECT_TRUE(open().leavingList().emptyState().isVisible());
    openOn(Tab::quarantine);
    EXPECT_EQ(open().quarantineList().emptyState().title(), "Quarantine is empty");
    EXPECT_EQ(open().quarantineList().emptyState().subtitle(),
              "Files wait here 7 days before they're deleted.");
}

TEST_F(Faces, leavingRowsTellTheTimeLeftAndNowOnceDue) {
    addFile("due.png", 4000);
    addFile("soon.png", 3300);
    addFile("later.png", 0);
    openOn(Tab::leaving);
    const auto rows = open().leavingList().leavingRows();
    ASSERT_EQ(rows.size(), 3u);
    const struct {
        const char* countdown;
        QColor color;
    } expected[] = {
        {"Now", Palette::signal()}, {"5:00", Palette::signal()}, {"1h 00m", Palette::notchText()}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i]->name().toStdString());
        EXPECT_EQ(rows[i]->countdown(), expected[i].countdown);
        EXPECT_EQ(rows[i]->countdownColor(), expected[i].color);
        EXPECT_EQ(rows[i]->clock(),
                  text(FileInsights::clock(rows[i]->matched().deadline, vm().now())));
        EXPECT_EQ(rows[i]->detail(), "Desktop · 4 bytes · Pictures rule");
        EXPECT_EQ(rows[i]->accessibleName(), rows[i]->name());
    }
    vm().setNow(dateAfter(vm().now(), 61)); // the next tick moves the countdown
    EXPECT_EQ(rows[1]->countdown(), "3:59");
}

TEST(PeekTitle, namesScreenshotsAndCountsFiles) {
    const auto title = [](std::initializer_list<const char*> names) {
        std::vector<MatchedFile> files;
        for (const char* name : names)
            files.push_back(MatchedFile(std::filesystem::path("/home/u/Desktop") / name, 1, Date{},
                                        Uuid{}, false));
        return PeekCard::title(files);
    };
    EXPECT_EQ(title({"Screenshot 2026-05-28.png"}), "New screenshot");
    EXPECT_EQ(title({"SCREENSHOT.png"}), "New screenshot") << "in any letter case";
    EXPECT_EQ(title({"notes.txt"}), "New file");
    EXPECT_EQ(title({"Screenshot 1.png", "screenshot 2.png", "Screenshot 3.png"}),
              "3 new screenshots");
    EXPECT_EQ(title({"Screenshot 1.png", "notes.txt"}), "2 new files");
}

TEST_F(Faces, aPeekOfOneFileDescribesItAndOfManyShowsFivePictures) {
    addFile("Screenshot one.png", 60);
    notch_->peek(files({"Screenshot one.png"}), true);
    settle();
    PeekCard& card = root().peekCard();
    EXPECT_EQ(card.titleText().text(), "New screenshot");
    EXPECT_EQ(card.folderText().text(), "Desktop");
    EXPECT_EQ(card.sizeText().text(), "4 bytes");
    EXPECT_TRUE(card.showsOneFile());
    EXPECT_EQ(card.nameText().text(), "Screenshot one.png");
    const MatchedFile file = files({"Screenshot one.png"}).front();
    EXPECT_EQ(card.detailText().text(), "Desktop · leaves " +
                                            text(FileInsights::clock(file.deadline, vm().now())) +
                                            " · Pictures rule");
    EXPECT_EQ(card.keepButton().text(), "Keep");

    std::vector<MatchedFile> twelve;
    for (int i = 0; i < 12; ++i) {
        addFile("f" + std::to_string(i) + ".png", 60);
        twelve.push_back(files({"f" + std::to_string(i) + ".png"}).front());
    }
    notch_->peek(twelve, true);
    settle();
    EXPECT_EQ(card.titleText().text(), "12 new files");
    EXPECT_FALSE(card.showsOneFile());
    EXPECT_EQ(card.pictures().size(), 5u);
    EXPECT_EQ(card.keepButton().text(), "Keep all");
    card.choiceButtons()[1]->click(); // "1 hour", for all twelve
    EXPECT_EQ(model_->config().timers.size(), 12u);
    EXPECT_EQ(root().toastRow().titleText().text(),
              "Leaves " + text(FileInsights::clock(dateAfter(clock_->now(), 3600), clock_->now())));
}

TEST_F(Faces, toastsShowTheSweepWithUndoOrTheMessageWithTheLogo) {
    const SweepSummary summary = sweepFiles({"a.png", "b.png"});
    notch_->handleSweep(summary);
    settle();
    ToastRow& toast = root().toastRow();
    EXPECT_EQ(toast.titleText().text(), "Moved 2 files to quarantine");
    EXPECT_EQ(toast.subtitleText().text(),
              text(formatByteCount(summary.movedSize)) + " · you can restore them for 7 days");
    EXPECT_TRUE(toast.picture().isVisible());
    EXPECT_EQ(toast.picture().file(), *summary.sample);
    EXPECT_FALSE(toast.logo().isVisible());
    EXPECT_TRUE(toast.undoButton().isVisible());

    notch_->demo("toast");
    settle();
    EXPECT_EQ(toast.titleText().text(), "Moved 3 screenshots to quarantine");
    EXPECT_EQ(toast.subtitleText().text(), "14.2 MB · you can restore them for 7 days");
    EXPECT_TRUE(toast.logo().isVisible());
    EXPECT_FALSE(toast.picture().isVisible());
    EXPECT_FALSE(toast.undoButton().isVisible());
}

TEST(SplitBarSegments, sharesOfTheWidthDimmingRuleByRule) {
    // Each segment as x+width@opacity, to six significant digits.
    const auto drawn = [](std::vector<std::int64_t> parts, double width) {
        QStringList segments;
        for (const SplitBar::Segment& s : SplitBar::segments(parts, width))
            segments << QStringLiteral("%1+%2@%3")
                            .arg(s.x, 0, 'g', 6)
                            .arg(s.width, 0, 'g', 6)
                            .arg(s.opacity, 0, 'g', 6);
        return segments.join(' ');
    };
    EXPECT_EQ(drawn({}, 100), "");
    EXPECT_EQ(drawn({500}, 544), "0+544@0.92") << "one rule fills the bar";
    EXPECT_EQ(drawn({999'000, 1'000}, 102), "0+99.9@0.92 101.9+3@0.72") << "a tiny share shows";
    EXPECT_EQ(drawn({0, 0}, 102), "0+50@0.92 52+50@0.72") << "empty files share equally";
    const auto six = SplitBar::segments({6, 5, 4, 3, 2, 1}, 300);
    EXPECT_NEAR(six[3].opacity, 0.32, 1e-9);
    EXPECT_NEAR(six[4].opacity, 0.3, 1e-9);
    EXPECT_NEAR(six[5].opacity, 0.3, 1e-9);
}

} // namespace
} // namespace dustlyn::testing

#include "app/brand/Logo.h"
#include "app/brand/Palette.h"
#include "app/insights/FileInsights.h"
#include "app/insights/FileThumbnail.h"
#include "app/insights/ThumbnailCache.h"
#include "app/notch/EmptyState.h"
#include "app/notch/IconButton.h"
#include "app/notch/LeavingList.h"
#include "app/notch/LeavingRow.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchLabel.h"
#include "app/notch/NotchPanel.h"
#include "app/notch/NotchRootView.h"
#include "app/notch/NotchTabs.h"
#include "app/notch/OpenPanel.h"
#include "app/notch/PeekCard.h"
#include "app/notch/PillContent.h"
#include "app/notch/QuarantineList.h"
#include "app/notch/QuarantineRow.h"
#include "app/notch/SplitBar.h"
#include "app/notch/ToastRow.h"
#include "app/platform/NullPlatform.h"
#include "core/base/ByteCount.h"
#include "core/base/Paths.h"
#include "tests/app/notch/NotchFixture.h"
#include "tests/app/support/Recorders.h"
#include "tests/app/support/UiTestApp.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using Tab = NotchViewModel::Tab;

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// The notch with its real panel and views, drawn offscreen over a real model in a
// throw-away home.
class ViewFixture : public NotchFixture {
protected:
    ViewFixture() : thumbnails_(thumbnailFolder_.path()) {
        uiTestApp();
        panelFactory_ = [this](NotchController& controller) {
            auto panel =
                std::make_unique<NotchPanel>(controller, windowSystem_, thumbnails_, fileBrowser_);
            view_ = panel.get();
            return panel;
        };
    }
    // The panel's pictures come from the cache, which goes first otherwise.
    ~ViewFixture() override { notch_.reset(); }

    // Starts model, controller and panel, and shows the panel.
    void startViews(const std::function<void(Configuration&)>& change = {}) {
        start(change);
        settle();
    }
    NotchRootView& root() { return view_->root(); }
    OpenPanel& open() { return root().openPanel(); }
    void openOn(NotchViewModel::Tab tab) {
        notch_->demo("open");
        vm().setTab(tab);
        settle();
    }
    // Lets queued work run and ends every animation.
    void settle() {
        QApplication::processEvents();
        root().settle();
        QApplication::processEvents();
    }

    TempDir thumbnailFolder_;
    ThumbnailCache thumbnails_;
    NullPanelWindowSystem windowSystem_; // composites, and asks for nothing
    RecordingFileBrowser fileBrowser_;
    NotchPanel* view_ = nullptr;
};

// The texts of a menu's items in order, "-" for a divider, submenus in brackets.
QStringList itemsOf(const QMenu& menu) {
    QStringList items;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            items << "-";
        else if (action->menu())
            items << action->text() + " [" + itemsOf(*action->menu()).join(", ") + "]";
        else
            items << action->text();
    }
    return items;
}

// The entry `text` of the menu or one of its submenus.
QAction* find(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.findChildren<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

// The views over a real model in a throw-away home: what they show, and what their controls do.
class Views : public ViewFixture {
protected:
    void SetUp() override { startViews(); }
};
using Faces = Views;
using Controls = Views;

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

// The open panel's header, footer and empty lists, over the model as it changes.
TEST_F(Faces, theOpenPanelSaysWhatLeavesWhatTheQuarantineHoldsAndWhetherDustlynIsPaused) {
    openOn(Tab::leaving);
    EXPECT_TRUE(open().leavingList().emptyState().isVisible());
    EXPECT_EQ(open().statusText().text(), "Quarantine keeps files 7 days");
    openOn(Tab::quarantine);
    EXPECT_EQ(open().quarantineList().emptyState().subtitle(),
              "Files wait here 7 days before they're deleted.");

    sweepFiles({"gone.png"});
    addFile("a.png", 100, "12345");
    addFile("b.png", 200, "123");
    openOn(Tab::leaving);
    EXPECT_EQ(open().sizeText().text(), "8 bytes");
    EXPECT_EQ(open().splitBar().parts(), std::vector<std::int64_t>{8});
    EXPECT_EQ(open().statusText().text(),
              "Cleared " + text(formatByteCount(model_->statsThisMonth().clearedSize)) +
                  " this month");
    EXPECT_TRUE(open().cleanUpButton().isVisible());
    EXPECT_EQ(open().pauseButton().help(), "Pause");
    model_->togglePaused();
    EXPECT_EQ(open().statusText().text(), "Paused. Nothing moves until you resume.");
    EXPECT_FALSE(open().cleanUpButton().isVisible());
    EXPECT_EQ(open().pauseButton().help(), "Resume");
    EXPECT_EQ(open().pauseButton().accessibleName(), "Resume");
    model_->togglePaused();

    vm().setTab(Tab::quarantine);
    EXPECT_EQ(open().tabs().currentIndex(), 1);
    EXPECT_EQ(open().sizeText().text(), text(formatByteCount(model_->quarantinedSize())));
    EXPECT_TRUE(open().splitBar().parts().empty());
    EXPECT_FALSE(open().cleanUpButton().isVisible());
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
    EXPECT_FALSE(card.showsOneFile());
    EXPECT_EQ(card.pictures().size(), 5u);
    EXPECT_EQ(card.keepButton().text(), "Keep all");
    card.choiceButtons()[1]->click(); // "1 hour", for all twelve
    EXPECT_EQ(model_->config().timers.size(), 12u);
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

    notch_->demo("toast"); // a message: no picture, no undo
    settle();
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

TEST_F(Controls, aLeavingRowsMenuAndButtonsAndTheFootersButtonsActOnTheModelAndTheController) {
    addFile("a.png");
    addFile("b.png");
    addFile("c.png");
    openOn(Tab::leaving);
    // The menu of the row of `name`, as the list shows it now.
    const auto menuOf = [&](const QString& name) {
        settle();
        for (LeavingRow* row : open().leavingList().leavingRows())
            if (row->name() == name)
                return std::unique_ptr<QMenu>(row->makeMenu(nullptr));
        return std::unique_ptr<QMenu>();
    };
    const fs::path a = resolvePath(home_ / "Desktop/a.png");
    const auto menu = menuOf("a.png");
    ASSERT_TRUE(menu);
    EXPECT_EQ(itemsOf(*menu).join(" | "),
              "Show in Folder | Open | - | Leave in… [10 minutes, 1 hour, 1 day, 1 week] | "
              "Move to quarantine now | Keep forever");
    find(*menu, "Show in Folder")->trigger();
    EXPECT_EQ(fileBrowser_.revealed, std::vector<fs::path>{a});
    find(*menu, "Open")->trigger();
    EXPECT_EQ(fileBrowser_.opened, std::vector<fs::path>{a});
    find(*menu, "1 week")->trigger();
    EXPECT_EQ(model_->config().timers.at(a.native()),
              wholeSeconds(dateAfter(clock_->now(), 604800)));
    find(*menuOf("a.png"), "Keep forever")->trigger();
    find(*menuOf("b.png"), "Move to quarantine now")->trigger();
    EXPECT_TRUE(fs::exists(quarantine() / "b.png"));
    // The row's own keep button, and the footer's buttons.
    settle();
    open().leavingList().leavingRows().at(0)->keepButton().click();
    EXPECT_EQ(
        model_->config().pins,
        (std::vector<std::string>{a.native(), resolvePath(home_ / "Desktop/c.png").native()}));
    open().pauseButton().click();
    EXPECT_TRUE(model_->paused());
    open().settingsButton().click();
    EXPECT_EQ(settingsOpened_, 1);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Controls, aQuarantineRowSaysWhenItIsDeletedAndRestoresFromItsButtonAndItsMenu) {
    sweepFiles({"a.png", "b.png"});
    openOn(Tab::quarantine);
    auto rows = open().quarantineList().quarantineRows();
    ASSERT_EQ(rows.size(), 2u);
    const QuarantinedFile& file = model_->quarantined().front();
    EXPECT_EQ(rows[0]->name(), "a.png");
    EXPECT_EQ(rows[0]->detail(),
              QString::fromStdString(file.sizeFormatted() + " · deleted " +
                                     FileInsights::clock(file.expiresDate, vm().now())));
    std::unique_ptr<QMenu> menu(rows[0]->makeMenu(nullptr));
    EXPECT_EQ(itemsOf(*menu).join(" | "), "Restore | Show in Folder");
    find(*menu, "Show in Folder")->trigger();
    EXPECT_EQ(fileBrowser_.revealed, std::vector<fs::path>{rows[0]->file()});
    find(*menu, "Restore")->trigger();
    settle();
    EXPECT_EQ(model_->quarantined().size(), 1u);
    open().quarantineList().quarantineRows().at(0)->restoreButton().click();
    settle();
    EXPECT_TRUE(model_->quarantined().empty());
    EXPECT_TRUE(fs::exists(home_ / "Desktop/a.png"));
    EXPECT_TRUE(fs::exists(home_ / "Desktop/b.png"));
}

TEST_F(Controls, everyControlIsNamedForScreenReaders) {
    sweepFiles({"old.png"});
    addFile("a.png");
    // The names of the buttons, tabs, rows and zones of what is shown, in the tree's order.
    const auto names = [this] {
        settle();
        QStringList found;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            if (!node || node->state().invisible)
                return;
            const auto role = node->role();
            if (role == QAccessible::Button || role == QAccessible::PageTab ||
                role == QAccessible::ListItem || role == QAccessible::Grouping)
                found << node->text(QAccessible::Name);
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(&root()));
        return found.join(" | ").toStdString();
    };
    EXPECT_EQ(names(), "1 leaving soon");
    openOn(Tab::leaving);
    EXPECT_EQ(names(),
              "Leaving soon (1) | Quarantine (1) | a.png | Keep | Clean up now | Pause | Settings");
    openOn(Tab::quarantine);
    EXPECT_EQ(names(), "Leaving soon (1) | Quarantine (1) | old.png | Restore | Pause | Settings");
    notch_->peek(files({"a.png"}), true);
    EXPECT_EQ(names(), "10 min | 1 hour | 1 day | Keep | Open");
    notch_->handleSweep({*model_->lastSweepID(), {}, 1, 4, {}});
    EXPECT_EQ(names(), "Undo");
    notch_->close();
    input_.pointer = QPointF(960, 90);
    notch_->demo("drop");
    EXPECT_EQ(names(), "Keep forever | Remove in 1 hour");
}

constexpr double band = 32; // the fixture's top panel

class Frame : public ViewFixture {
protected:
    // Checks the drawn body against its size and corners, and that a shadow falls under
    // every face but the pill.
    void check(QSizeF body, NotchShape shape) {
        settle();
        waitForPictures();
        settle();
        EXPECT_EQ(root().bodyTarget().size(), body);
        EXPECT_EQ(root().shapeTarget(), shape);
        root().setShadowEnabled(false);
        checkOutline(grabPanel(), body, shape.topRadius);
        root().setShadowEnabled(true);
        const QImage shadowed = grabPanel();
        const QPointF below = QPointF(360, body.height() + 12) * shadowed.devicePixelRatio();
        if (vm().mode() == Mode::pill)
            EXPECT_EQ(qAlpha(shadowed.pixel(below.toPoint())), 0) << "no shadow under the pill";
        else
            EXPECT_GT(qAlpha(shadowed.pixel(below.toPoint())), 8) << "a shadow under the body";
    }

    // A real picture on the Desktop, `age` seconds old, seen by a rescan.
    void addPicture(const std::string& name, double age, QColor color) {
        const auto file = makeFile("Desktop/" + name, age);
        QImage image(320, 200, QImage::Format_RGB32);
        image.fill(color);
        image.save(QString::fromStdString(file.native()), "png");
        setModificationDate(file, dateAfter(clock_->now(), -age));
        model_->refresh();
    }

private:
    // Waits until every picture in sight has been made.
    void waitForPictures() {
        const auto pictures = root().findChildren<FileThumbnail*>();
        spinUntil([&] {
            for (const FileThumbnail* picture : pictures)
                if (picture->isVisible() && !picture->file().empty() && picture->image().isNull())
                    return false;
            return true;
        });
    }
    // The panel as drawn, shadow and all.
    QImage grabPanel() { return root().grab().toImage().convertToFormat(QImage::Format_ARGB32); }
    // The painted extent is the body with its shoulders; the shoulders and the bottom
    // corners are curved (transparent just inside the bounding box's corners).
    static void checkOutline(const QImage& image, QSizeF body, double t) {
        const double ratio = image.devicePixelRatio();
        const QRectF drawn((720 - body.width()) / 2 - t, 0, body.width() + 2 * t, body.height());
        QRect painted;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0)
                    painted |= QRect(x, y, 1, 1);
        EXPECT_NEAR(painted.left() / ratio, drawn.left(), 1);
        EXPECT_NEAR((painted.right() + 1) / ratio, drawn.right(), 1);
        EXPECT_EQ(painted.top(), 0);
        EXPECT_NEAR((painted.bottom() + 1) / ratio, drawn.bottom(), 1);
        const auto alphaAt = [&](QPointF point) {
            return qAlpha(image.pixel((point * ratio).toPoint()));
        };
        const double below = t - 1; // under a shoulder's curve
        const double bottom = drawn.bottom() - 1;
        for (const QPointF corner :
             {QPointF(drawn.left() + 1, below), QPointF(drawn.right() - 1, below),
              QPointF(drawn.left() + t + 1, bottom), QPointF(drawn.right() - t - 1, bottom)})
            EXPECT_EQ(alphaAt(corner), 0) << corner.x() << "," << corner.y();
        const QPointF inside(drawn.left() + t + 4, body.height() / 2);
        EXPECT_EQ(image.pixel((inside * ratio).toPoint()), qRgb(0, 0, 0));
    }
};

// One face of each mode over a desktop with screenshots, a download and a file already in
// quarantine.
TEST_F(Frame, everyFace) {
    startViews();
    const SweepSummary summary = sweepFiles({"Screenshot 2026-05-26 at 18.02.11.png"});
    addPicture("Screenshot 2026-05-28 at 09.41.12.png", 3120, QColor(52, 120, 246));
    addPicture("Screenshot 2026-05-28 at 10.02.55.png", 1500, QColor(240, 150, 60));
    addPicture("release-notes-2.4.png", 300, QColor(180, 80, 160));
    const struct {
        const char* name;
        std::function<void()> stage;
        QSizeF body;
        NotchShape shape;
    } faces[] = {
        {"pill", [] {}, {100, band}, {6, 9}},
        {"open", [this] { openOn(Tab::leaving); }, {580, band + 106 + 162}, {14, 28}},
        {"peek",
         [this] { notch_->peek(files({"Screenshot 2026-05-28 at 10.02.55.png"}), true); },
         {480, band + 146},
         {14, 28}},
        {"toast", [&] { notch_->handleSweep(summary); }, {400, band + 60}, {14, 22}},
        {"drop",
         [this] {
             input_.pointer = QPointF(900, 90); // over the zones: the drag is still near
             notch_->demo("drop");
         },
         {480, band + 128},
         {14, 28}},
    };
    for (const auto& face : faces) {
        SCOPED_TRACE(face.name);
        notch_->close();
        face.stage();
        check(face.body, face.shape);
    }
}

} // namespace
} // namespace dustlyn::testing

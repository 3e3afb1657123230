#include "app/notch/DropZone.h"
#include "app/notch/DropZones.h"
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
#include "app/notch/ToastRow.h"
#include "core/base/Paths.h"
#include "tests/app/notch/ViewFixture.h"
#include "tests/app/support/UiTestApp.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using Tab = NotchViewModel::Tab;

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

QAction* find(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
        if (action->menu())
            if (QAction* inner = find(*action->menu(), text))
                return inner;
    }
    return nullptr;
}

class Controls : public ViewFixture {
protected:
    void SetUp() override { startViews(); }
    OpenPanel& open() { return root().openPanel(); }
    void openOn(Tab tab) {
        notch_->demo("open");
        vm().setTab(tab);
        settle();
    }
    fs::path resolved(const std::string& name) { return resolvePath(home_ / "Desktop" / name); }
    bool pinned(const fs::path& file) const {
        const auto& pins = model_->config().pins;
        return std::find(pins.begin(), pins.end(), file.native()) != pins.end();
    }
    // Drops `urls` on `zone` the way Qt delivers a drop from another program.
    void drop(DropZone& zone, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPointF middle = QRectF(zone.rect()).center();
        QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&zone, &enter);
        EXPECT_TRUE(enter.isAccepted());
        EXPECT_TRUE(zone.targeted());
        QDropEvent dropped(middle, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&zone, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        settle();
    }
};

TEST_F(Controls, aLeavingRowsMenuRevealsOpensRetimesRemovesAndKeeps) {
    const struct {
        const char* item;
        std::function<bool(const fs::path&)> done;
    } cases[] = {
        {"Show in Folder",
         [this](const fs::path& f) { return fileBrowser_.revealed == std::vector<fs::path>{f}; }},
        {"Open",
         [this](const fs::path& f) { return fileBrowser_.opened == std::vector<fs::path>{f}; }},
        {"1 week",
         [this](const fs::path& f) {
             return model_->config().timers.at(f.native()) ==
                    wholeSeconds(dateAfter(clock_->now(), 604800));
         }},
        {"Move to quarantine now",
         [this](const fs::path& f) { return fs::exists(quarantine() / f.filename()); }},
        {"Keep forever", [this](const fs::path& f) { return pinned(f); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        startViews();
        addFile("a.png");
        openOn(Tab::leaving);
        LeavingRow& row = *open().leavingList().leavingRows().at(0);
        std::unique_ptr<QMenu> menu(row.makeMenu(nullptr));
        EXPECT_EQ(itemsOf(*menu).join(" | "),
                  "Show in Folder | Open | - | Leave in… [10 minutes, 1 hour, 1 day, 1 week] | "
                  "Move to quarantine now | Keep forever");
        find(*menu, c.item)->trigger();
        EXPECT_TRUE(c.done(resolved("a.png")));
    }
}

TEST_F(Controls, aQuarantineRowRestoresFromItsButtonAndItsMenu) {
    sweepFiles({"a.png", "b.png"});
    openOn(Tab::quarantine);
    auto rows = open().quarantineList().quarantineRows();
    ASSERT_EQ(rows.size(), 2u);
    std::unique_ptr<QMenu> menu(rows[0]->makeMenu(nullptr));
    EXPECT_EQ(itemsOf(*menu).join(" | "), "Restore | Show in Folder");
    find(*menu, "Show in Folder")->trigger();
    EXPECT_EQ(fileBrowser_.revealed, std::vector<fs::path>{rows[0]->file()});
    find(*menu, "Restore")->trigger();
    settle();
    EXPECT_EQ(model_->quarantined().size(), 1u);
    EXPECT_EQ(rows[0]->restoreButton().toolTip(), "Put it back where it was, and keep it");
    open().quarantineList().quarantineRows().at(0)->restoreButton().click();
    settle();
    EXPECT_TRUE(model_->quarantined().empty());
    EXPECT_TRUE(fs::exists(home_ / "Desktop/a.png"));
    EXPECT_TRUE(fs::exists(home_ / "Desktop/b.png"));
}

TEST_F(Controls, keepOnARowAndTheFootersButtonsActOnTheModelAndTheController) {
    addFile("a.png");
    openOn(Tab::leaving);
    LeavingRow& row = *open().leavingList().leavingRows().at(0);
    EXPECT_EQ(row.keepButton().toolTip(), "Keep this file forever");
    row.keepButton().click();
    EXPECT_TRUE(pinned(resolved("a.png")));

    open().pauseButton().click();
    EXPECT_TRUE(model_->paused());
    open().settingsButton().click();
    EXPECT_EQ(settingsOpened_, 1);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Controls, undoOnASweepToastBringsTheFilesBack) {
    const SweepSummary summary = sweepFiles({"a.png", "b.png"});
    notch_->handleSweep(summary);
    settle();
    root().toastRow().undoButton().click();
    settle();
    EXPECT_TRUE(fs::exists(home_ / "Desktop/a.png"));
    EXPECT_TRUE(fs::exists(home_ / "Desktop/b.png"));
    EXPECT_EQ(root().toastRow().titleText().text(), "Restored 2 files");
}

TEST_F(Controls, aDropOnAZoneReachesTheControllerWithTheZonesKind) {
    const fs::path a = addFile("a.png");
    const fs::path b = addFile("b.png");
    fs::create_directories(home_ / "Folder");
    const struct {
        const char* name;
        bool keepZone;
        QList<QUrl> urls;
        Mode after;
    } cases[] = {
        {"twoFilesKept",
         true,
         {QUrl::fromLocalFile(QString::fromStdString(a.native())),
          QUrl::fromLocalFile(QString::fromStdString(b.native()))},
         Mode::toast},
        {"aFileTimed",
         false,
         {QUrl::fromLocalFile(QString::fromStdString(b.native()))},
         Mode::toast},
        {"aFolderOnlyCloses",
         true,
         {QUrl::fromLocalFile(QString::fromStdString((home_ / "Folder").native()))},
         Mode::pill},
        {"aWebAddressOnlyCloses", false, {QUrl("https://example.com/a.png")}, Mode::pill},
    };
    input_.pointer = QPointF(960, 90); // the drag is over the zones
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        notch_->demo("drop");
        settle();
        DropZones& zones = root().dropZones();
        drop(c.keepZone ? zones.keepZone() : zones.timerZone(), c.urls);
        EXPECT_EQ(mode(), c.after);
    }
    EXPECT_TRUE(pinned(resolved("a.png")));
    EXPECT_EQ(model_->config().timers.count(resolved("b.png").native()), 1u);
}

TEST_F(Controls, everyControlIsNamedForScreenReaders) {
    sweepFiles({"old.png"});
    addFile("a.png");
    // The names of the buttons, tabs, rows and zones of what is shown, in the tree's order.
    const auto names = [this] {
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
        return found.join(" | ");
    };
    const struct {
        const char* name;
        std::function<void()> show;
        const char* controls;
    } cases[] = {
        {"pill", [] {}, "1 leaving soon"},
        {"leaving", [this] { openOn(Tab::leaving); },
         "Leaving soon (1) | Quarantine (1) | a.png | Keep | Clean up now | Pause | Settings"},
        {"quarantine", [this] { openOn(Tab::quarantine); },
         "Leaving soon (1) | Quarantine (1) | old.png | Restore | Pause | Settings"},
        {"peek", [this] { notch_->peek(files({"a.png"}), true); },
         "10 min | 1 hour | 1 day | Keep | Open"},
        {"toast",
         [this] {
             notch_->handleSweep(model_->lastSweepID()
                                     ? SweepSummary{*model_->lastSweepID(), {}, 1, 4, std::nullopt}
                                     : SweepSummary{});
         },
         "Undo"},
        {"drop",
         [this] {
             input_.pointer = QPointF(960, 90);
             notch_->demo("drop");
         },
         "Keep forever | Remove in 1 hour"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        notch_->close();
        c.show();
        settle();
        EXPECT_EQ(names().toStdString(), c.controls);
    }
}

TEST_F(Controls, openedByKeyTabReachesEveryControlAndSpaceOrReturnPressesIt) {
    addFile("a.png");
    notch_->open(false);
    settle();
    ASSERT_TRUE(panel().isKey());
    spinUntil([&] { return QApplication::activeWindow() == &panel(); });
    const auto press = [&](int key) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &panel();
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &up);
        settle();
    };
    QStringList visited;
    for (int i = 0; i < 7; ++i) {
        press(Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        visited << (qobject_cast<QTabBar*>(focused) ? QStringLiteral("tabs")
                    : focused->accessibleName().isEmpty()
                        ? static_cast<QAbstractButton*>(focused)->text()
                        : focused->accessibleName());
    }
    EXPECT_EQ(visited.join(" | "), "tabs | a.png | Keep | Clean up now | Pause | Settings | tabs");
    press(Qt::Key_Right); // the arrow keys switch the tabs
    EXPECT_EQ(vm().tab(), Tab::quarantine);
    press(Qt::Key_Left);
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &open().pauseButton());
    press(Qt::Key_Space);
    EXPECT_TRUE(model_->paused());
    press(Qt::Key_Return);
    EXPECT_FALSE(model_->paused());
    press(Qt::Key_Escape);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_FALSE(panel().isKey());
}

TEST_F(Controls, pointerEventsOverThePanelDriveTheNotchWithoutGlobalFollowing) {
    addFile("a.png");
    settle();
    QWindow& window = *panel().windowHandle();
    const auto send = [&](QEvent::Type type, QPointF global) {
        input_.pointer = global; // what the window system answers when asked
        const QPointF local = global - panel().geometry().topLeft();
        QMouseEvent event(type, local, local, global,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
        QApplication::sendEvent(&window, &event);
    };
    send(QEvent::MouseMove, {960, 10}); // over the pill
    advance(0.2);
    EXPECT_EQ(mode(), Mode::open);
    EXPECT_TRUE(notch_->openedByHover());
    input_.pointer = farAway;
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&window, &leave);
    advance(0.4);
    EXPECT_EQ(mode(), Mode::pill);

    send(QEvent::MouseButtonPress, {960, 10}); // a click on the pill opens it for good
    send(QEvent::MouseButtonRelease, {960, 10});
    EXPECT_EQ(mode(), Mode::open);
    EXPECT_FALSE(notch_->openedByHover());
}

TEST_F(Controls, aRowsMenuHoldsAPanelOpenedByHover) {
    addFile("a.png");
    moveTo(topCentre);
    advance(0.2);
    ASSERT_EQ(mode(), Mode::open);
    settle();
    LeavingRow& row = *open().leavingList().leavingRows().at(0);
    row.showMenu(row.mapToGlobal(QPoint(0, 0)));
    moveTo(farAway); // onto the menu, outside the panel
    advance(1);
    EXPECT_EQ(mode(), Mode::open);
    QMenu* menu = row.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    menu->close();
    advance(0.4);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Controls, atRestNothingTicksAndOnlyARunningPeekRedrawsEachFrame) {
    addFile("a.png");
    settle();
    const auto running = [this] {
        int count = 0;
        for (const QTimer* timer : panel().findChildren<QTimer*>())
            count += timer->isActive() ? 1 : 0;
        return count;
    };
    EXPECT_EQ(running(), 0);
    EXPECT_FALSE(root().animating());
    notch_->peek(files({"a.png"}), true);
    EXPECT_TRUE(root().animating());
    settle();
    EXPECT_EQ(running(), 1) << "the progress bar runs down";
    moveTo(QPointF(960, 60)); // holds the peek: the bar stays full and still
    EXPECT_EQ(running(), 0);
    notch_->close();
    settle();
    EXPECT_EQ(running(), 0);
}

TEST_F(Controls, theWindowTakesThePointerOverTheBodyAndWithoutCompositingShowsOnlyIt) {
    EXPECT_EQ(windowSystem_.prepared, 1);
    EXPECT_TRUE(windowSystem_.input.isEmpty()) << "nothing drawn, every click falls through";
    EXPECT_EQ(windowSystem_.bounding, QRegion(0, 0, 720, NotchPanel::restHeight))
        << "an idle window is only as tall as the pill";
    addFile("a.png");
    settle();
    EXPECT_EQ(windowSystem_.input, QRegion(310, 0, 100, 32)) << "the pill";

    // The window is cut to the body with its shoulders, less their thinnest tips.
    const auto cutTo = [this](QRect drawn) {
        const QRect cut = windowSystem_.bounding.boundingRect();
        EXPECT_NEAR(cut.left(), drawn.left(), 3);
        EXPECT_NEAR(cut.right(), drawn.right(), 3);
        EXPECT_EQ(cut.top(), 0);
        EXPECT_EQ(cut.bottom(), drawn.bottom());
    };
    windowSystem_.composite = false;
    windowSystem_.onCompositingChanged();
    cutTo(QRect(304, 0, 112, 32));
    notch_->demo("open");
    settle();
    const QRect body(70, 0, 580, 32 + 106 + 50);
    EXPECT_EQ(windowSystem_.input, QRegion(body));
    cutTo(body.adjusted(-14, 0, 14, 0));
    EXPECT_FALSE(windowSystem_.bounding.contains(QPoint(body.left(), body.bottom())))
        << "the rounded corner is cut away";
    windowSystem_.composite = true;
    windowSystem_.onCompositingChanged();
    EXPECT_EQ(windowSystem_.bounding, QRegion(0, 0, 720, 560)) << "grown for the open panel";
}

} // namespace
} // namespace dustlyn::testing

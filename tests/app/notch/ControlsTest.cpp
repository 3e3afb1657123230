#include "app/insights/FileInsights.h"
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
#include "core/base/Paths.h"
#include "tests/app/notch/ViewFixture.h"
#include "tests/app/support/UiTestApp.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>

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
    fs::path resolved(const std::string& name) { return resolvePath(home_ / "Desktop" / name); }
    bool pinned(const fs::path& file) const {
        const auto& pins = model_->config().pins;
        return std::find(pins.begin(), pins.end(), file.native()) != pins.end();
    }
};

TEST_F(Controls, aLeavingRowsMenuRevealsOpensRetimesRemovesAndKeeps) {
    addFile("a.png");
    addFile("b.png");
    openOn(Tab::leaving);
    // The menu of the row of `name`, as the list shows it now.
    const auto menuOf = [&](const QString& name) {
        settle();
        for (LeavingRow* row : open().leavingList().leavingRows())
            if (row->name() == name)
                return std::unique_ptr<QMenu>(row->makeMenu(nullptr));
        return std::unique_ptr<QMenu>();
    };
    const fs::path a = resolved("a.png");
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
    EXPECT_TRUE(pinned(a));
    find(*menuOf("b.png"), "Move to quarantine now")->trigger();
    EXPECT_TRUE(fs::exists(quarantine() / "b.png"));
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

} // namespace
} // namespace dustlyn::testing

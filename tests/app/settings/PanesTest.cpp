#include "app/settings/HistoryPane.h"
#include "app/settings/KeptPane.h"
#include "app/settings/NotchPane.h"
#include "app/settings/OverviewPane.h"
#include "app/settings/RuleSentence.h"
#include "app/settings/RulesPane.h"
#include "app/settings/SettingsView.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "app/settings/SwitchButton.h"
#include "app/settings/Token.h"
#include "core/base/Paths.h"
#include "core/config/DefaultRules.h"
#include "tests/app/settings/SettingsFixture.h"

#include <QLabel>
#include <QListWidget>
#include <QSettings>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

class Panes : public SettingsFixture {
protected:
    void open(SettingsPane pane) {
        model_ = makeModel();
        model_->refresh();
        controller_ = std::make_unique<SettingsWindowController>(*model_, services());
        controller_->onNotchSettingsChanged = [this] { ++notchChanges_; };
        controller_->onToggleIcon = [this](bool on) {
            toggles_.push_back(on);
            model_->updateShowMenuBarIcon(on); // as the shell does
        };
        controller_->show(pane);
        settle();
    }
    QWidget* pane(SettingsPane pane) { return controller_->view()->pane(pane); }

    std::unique_ptr<AppModel> model_;
    std::unique_ptr<SettingsWindowController> controller_;
    int notchChanges_ = 0;
    std::vector<bool> toggles_;
};

TEST_F(Panes, reopeningKeepsThePaneAndTheGeometryIsRemembered) {
    open(SettingsPane::notch);
    SettingsWindow* window = controller_->window();
    window->setGeometry(40, 50, 900, 640);
    const QRect placed = window->geometry();
    window->close();
    settle();
    EXPECT_FALSE(window->isVisible());
    controller_->show();
    EXPECT_EQ(controller_->router().pane(), SettingsPane::notch);
    EXPECT_EQ(controller_->view()->sidebar()->currentItem()->text(), "Notch");
    controller_.reset();
    const QSettings stored(QString::fromStdString(services().geometryFile.native()),
                           QSettings::IniFormat);
    EXPECT_TRUE(stored.contains("DustlynSettings"));
    open(SettingsPane::overview);
    EXPECT_EQ(controller_->window()->geometry().size(), placed.size());
}

TEST_F(Panes, eachNotchSwitchIsWrittenAtOnceAndTellsTheNotch) {
    open(SettingsPane::notch);
    const auto switches = NotchPane::switches();
    for (std::size_t i = 0; i < switches.size(); ++i) {
        SCOPED_TRACE(switches[i].title.toStdString());
        QAbstractButton* toggle = button(pane(SettingsPane::notch), switches[i].title);
        ASSERT_TRUE(toggle);
        EXPECT_TRUE(toggle->isChecked());
        toggle->click();
        EXPECT_FALSE(saved().notch.*switches[i].field);
        EXPECT_EQ(notchChanges_, static_cast<int>(i) + 1);
    }
    EXPECT_EQ(saved().notch, (NotchSettings{false, false, false, false, false, false}));
}

TEST_F(Panes, aRefusedLoginItemSaysWhyAndShowsTheSystemsState) {
    login_->refusal = "autostart folder is read-only";
    open(SettingsPane::overview);
    QAbstractButton* login = button(pane(SettingsPane::overview), "Open at login");
    login->click();
    EXPECT_FALSE(login->isChecked());
    EXPECT_TRUE(shows(pane(SettingsPane::overview),
                      "Couldn't change the login item: autostart folder is read-only"));
}

TEST_F(Panes, theOverviewSwitchesTokensAndFolderAreWrittenAtOnce) {
    makeFile("Desktop/old.png", 1000);
    open(SettingsPane::overview);
    QWidget* overview = pane(SettingsPane::overview);
    button(overview, "Empty the Trash after each sweep")->click();
    EXPECT_TRUE(saved().emptyTrash);
    button(overview, "Also show in the menu bar")->click();
    EXPECT_EQ(toggles_, std::vector<bool>{true});
    EXPECT_TRUE(saved().showMenuBarIcon);
    button(overview, "Open at login")->click();
    EXPECT_TRUE(login_->on);
    QAbstractButton* interval = button(overview, "5 minutes");
    choose(interval, "15 minutes");
    EXPECT_EQ(saved().checkInterval, 900);
    EXPECT_EQ(interval->text(), "15 minutes");

    // The retention token refreshes the quarantine's expiry dates.
    model_->sweepNow(SweepSource::user);
    ASSERT_EQ(model_->quarantined().size(), 1u);
    const Date movedAt = model_->quarantined().front().quarantinedDate;
    choose(button(overview, "7 days"), "30 days");
    EXPECT_EQ(saved().quarantineTTL, 30 * 86400.0);
    EXPECT_EQ(model_->quarantined().front().expiresDate, dateAfter(movedAt, 30 * 86400.0));

    // The quarantine folder is shown, and a folder holding files gets one of its own.
    button(overview, "Show")->click();
    EXPECT_EQ(browser_->revealed, std::vector<fs::path>{resolvePath(quarantine())});
    writeFile(home_ / "Attic/old letter.txt", "mine");
    chooser_->folder = home_ / "Attic";
    button(overview, "Change…")->click();
    settle();
    EXPECT_EQ(saved().quarantineDirectory, "~/Attic/Dustlyn Quarantine");
    EXPECT_TRUE(shows(overview, "~/Attic/Dustlyn Quarantine"));
    EXPECT_TRUE(shows(overview, "~/Attic already holds files, so the quarantine is a new folder "
                                "inside it, \"Dustlyn Quarantine\"."));
}

TEST_F(Panes, theRuleTokensSwitchAndMenuAreWrittenAtOnceAndResetBringsBackTheBuiltInRules) {
    open(SettingsPane::rules);
    auto* rules = static_cast<RulesPane*>(pane(SettingsPane::rules));
    ASSERT_EQ(rules->sentences().size(), 1u);
    RuleSentence* sentence = rules->sentences()[0];
    choose(button(sentence, "1 min"), "1 hour");
    EXPECT_EQ(saved().rules.at(0).ageThreshold, 3600);
    EXPECT_EQ(rules->sentences()[0], sentence); // the row is reused, the focus stays
    sentence->findChild<SwitchButton*>()->click();
    settle();
    EXPECT_FALSE(saved().rules.at(0).enabled);
    EXPECT_EQ(sentence->findChild<QLabel*>("waiting")->text(), "Off");
    choose(button(sentence, "More"), "Delete");
    EXPECT_TRUE(saved().rules.empty());
    EXPECT_TRUE(rules->sentences().empty());

    button(rules, "Reset to defaults")->click();
    settle();
    const auto builtIn = DefaultRules::all(folders_);
    ASSERT_EQ(saved().rules, builtIn);
    EXPECT_EQ(rules->sentences().size(), builtIn.size());
}

TEST_F(Panes, aChangeMadeElsewhereShowsAtOnce) {
    open(SettingsPane::rules);
    RuleSentence* sentence = static_cast<RulesPane*>(pane(SettingsPane::rules))->sentences()[0];
    makeFile("Desktop/a.png", 10, "123");
    model_->refresh(); // the watcher's rescan
    settle();
    EXPECT_EQ(sentence->findChild<QLabel*>("waiting")->text(), "1 file waiting · 3 bytes");
    model_->toggleRule(ruleID_); // `dustlyn` through the control socket
    settle();
    EXPECT_FALSE(sentence->findChild<SwitchButton*>()->isChecked());
    EXPECT_EQ(sentence->findChild<QLabel*>("waiting")->text(), "Off");
}

// Deletions read the retention of today.
TEST_F(Panes, historyOffersRestoreOnlyWhereTheFileIsStillThereAndFollowsTheRetention) {
    std::vector<HistoryEntry> history{{Uuid::random(), dateAfter(start_, -90),
                                       HistoryEntry::Kind::deleted, "/x/a", "/q/a", 1, "",
                                       std::nullopt}};
    for (const char* name : {"gone", "here"})
        history.push_back({Uuid::random(), dateAfter(start_, history.size() == 1 ? -60 : -30),
                           HistoryEntry::Kind::quarantined,
                           (home_ / "Desktop" / (name + std::string(".png"))).native(),
                           (quarantine() / (name + std::string(".png"))).native(), 1,
                           "Desktop - Pictures", std::nullopt});
    writeFile(quarantine() / "here.png", "h");
    HistoryStore::defaultStore(folders_).save(history);
    open(SettingsPane::history);
    auto* pane = static_cast<HistoryPane*>(this->pane(SettingsPane::history));
    auto rows = pane->rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->shown().entry, history.back());
    EXPECT_TRUE(rows[0]->restoreButton()->isVisible());
    EXPECT_FALSE(rows[1]->restoreButton()->isVisible());
    rows[0]->restoreButton()->click();
    settle();
    EXPECT_TRUE(fs::exists(home_ / "Desktop/here.png"));
    model_->updateGeneral(std::nullopt, std::nullopt, 30 * 86400.0, std::nullopt);
    settle();
    rows = pane->rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0]->shown().entry.kind, HistoryEntry::Kind::restored);
    EXPECT_FALSE(rows[1]->restoreButton()->isVisible());
    EXPECT_EQ(rows[3]->shown().caption, "Deleted after 30 days in quarantine");
}

TEST_F(Panes, stopKeepingRemovesEverySpellingAndKeepAFileAddsEachChosenFile) {
    Configuration config = baseConfig();
    config.pins = {"~/Desktop/a.png", (home_ / "Desktop/a.png").native(), "~/b.txt"};
    saveConfig(config);
    open(SettingsPane::kept);
    auto* kept = static_cast<KeptPane*>(pane(SettingsPane::kept));
    ASSERT_EQ(kept->rows().size(), 3u);
    button(kept->rows()[1], "Stop keeping")->click();
    settle();
    EXPECT_EQ(saved().pins, std::vector<std::string>{"~/b.txt"});
    ASSERT_EQ(kept->rows().size(), 1u);
    chooser_->files = {home_ / "c.txt", home_ / "d/./e.txt"};
    button(kept, "Keep a file…")->click();
    settle();
    EXPECT_EQ(saved().pins, (std::vector<std::string>{"~/b.txt", (home_ / "c.txt").native(),
                                                      (home_ / "d/e.txt").native()}));
    button(kept->rows()[0], "Show")->click();
    EXPECT_EQ(browser_->revealed, std::vector<fs::path>{home_ / "b.txt"});
}

} // namespace
} // namespace dustlyn::testing

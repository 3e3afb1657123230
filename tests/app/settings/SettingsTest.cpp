#include "app/model/RuleWords.h"
#include "app/settings/FlowLayout.h"
#include "app/settings/HistoryPane.h"
#include "app/settings/HistoryText.h"
#include "app/settings/KeptPane.h"
#include "app/settings/NotchPane.h"
#include "app/settings/RuleEditorView.h"
#include "app/settings/RuleSentence.h"
#include "app/settings/RulesPane.h"
#include "app/settings/SettingsView.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "app/settings/SwitchButton.h"
#include "app/settings/Token.h"
#include "core/base/Paths.h"
#include "core/config/DefaultRules.h"
#include "tests/app/model/ModelFixture.h"
#include "tests/app/settings/FindWidgets.h"
#include "tests/app/support/Recorders.h"
#include "tests/app/support/UiTestApp.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

// Answers the open dialogs with what the test chose beforehand.
class ScriptedFileChooser : public FileChooser {
public:
    std::optional<fs::path> folder;
    std::vector<fs::path> files;
    std::optional<fs::path> chooseFolder(QWidget*) override { return folder; }
    std::vector<fs::path> chooseFiles(QWidget*) override { return files; }
};

// The settings window over a real model in a throw-away home, its desktop services recorded.
class Panes : public ModelFixture {
protected:
    Panes() { uiTestApp(); }
    void open(SettingsPane pane) {
        model_ = makeModel();
        model_->refresh();
        SettingsServices services;
        services.loginItem = login_;
        services.fileBrowser = browser_;
        services.chooser = chooser_;
        services.clock = clock_;
        services.openUrl = [](const QUrl&) {};
        services.geometryFile = home_ / ".config/Dustlyn/settings-window.conf";
        controller_ = std::make_unique<SettingsWindowController>(*model_, services);
        controller_->onNotchSettingsChanged = [this] { ++notchChanges_; };
        controller_->onToggleIcon = [this](bool on) { toggles_.push_back(on); };
        controller_->show(pane);
        settle();
    }
    // What is on disk now.
    Configuration saved() const { return ConfigurationStore::defaultStore(folders_).load(); }
    // Lets posted redraws and queued menu actions run.
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QApplication::sendPostedEvents();
            QApplication::processEvents();
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // findButton, failing the test when there is none.
    static QAbstractButton* button(QWidget* root, const QString& name) {
        QAbstractButton* found = findButton(root, name);
        if (!found)
            ADD_FAILURE() << "no button " << name.toStdString();
        return found;
    }
    // Triggers the entry `text` of the menu that `button` opens.
    static void choose(QAbstractButton* button, const QString& text) {
        auto* push = qobject_cast<QPushButton*>(button);
        QMenu* menu = push ? attachedMenu(*push) : nullptr;
        ASSERT_TRUE(menu) << "no menu behind " << (button ? button->text().toStdString() : "");
        const auto actions = menu->actions();
        const auto entry = std::find_if(actions.begin(), actions.end(),
                                        [&](QAction* action) { return action->text() == text; });
        ASSERT_NE(entry, actions.end()) << "no menu entry " << text.toStdString();
        (*entry)->trigger();
        settle();
    }
    QWidget* pane(SettingsPane pane) { return controller_->view()->pane(pane); }
    RuleEditorView* editor() { return controller_->view()->editor(); }
    // The rule editor's visible text field of this name.
    QLineEdit* field(const QString& name) {
        for (auto* edit : editor()->findChildren<QLineEdit*>())
            if (edit->accessibleName() == name && edit->isVisibleTo(editor()))
                return edit;
        return nullptr;
    }
    void type(QLineEdit* edit, const QString& text) {
        ASSERT_TRUE(edit);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<AppModel> model_;
    std::unique_ptr<SettingsWindowController> controller_;
    int notchChanges_ = 0;
    std::vector<bool> toggles_;
    std::shared_ptr<RecordingLoginItem> login_ = std::make_shared<RecordingLoginItem>();
    std::shared_ptr<RecordingFileBrowser> browser_ = std::make_shared<RecordingFileBrowser>();
    std::shared_ptr<ScriptedFileChooser> chooser_ = std::make_shared<ScriptedFileChooser>();
};

TEST_F(Panes, eachNotchSwitchIsWrittenAtOnceAndTellsTheNotchAndTheWindowIsRemembered) {
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

    // Reopened, the window shows the pane it had; made anew, the size it had.
    SettingsWindow* window = controller_->window();
    window->setGeometry(40, 50, 900, 640);
    const QRect placed = window->geometry();
    window->close();
    settle();
    controller_->show();
    EXPECT_EQ(controller_->view()->sidebar()->currentItem()->text(), "Notch");
    controller_.reset();
    open(SettingsPane::overview);
    EXPECT_EQ(controller_->window()->geometry().size(), placed.size());
}

TEST_F(Panes, theOverviewSwitchesTokensAndFolderAreWrittenAtOnceOrSayWhyNot) {
    makeFile("Desktop/old.png", 1000);
    open(SettingsPane::overview);
    QWidget* overview = pane(SettingsPane::overview);
    button(overview, "Empty the Trash after each sweep")->click();
    EXPECT_TRUE(saved().emptyTrash);
    button(overview, "Also show in the menu bar")->click();
    EXPECT_EQ(toggles_, std::vector<bool>{true});
    // A refused login item says why and shows the system's state.
    login_->refusal = "autostart folder is read-only";
    QAbstractButton* login = button(overview, "Open at login");
    login->click();
    EXPECT_FALSE(login->isChecked());
    EXPECT_TRUE(shows(overview, "Couldn't change the login item: autostart folder is read-only"));
    login_->refusal.clear();
    login->click();
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

TEST_F(Panes, aRuleShowsChangesMadeElsewhereAndItsTokensSwitchAndMenuAreWrittenAtOnce) {
    open(SettingsPane::rules);
    auto* rules = static_cast<RulesPane*>(pane(SettingsPane::rules));
    ASSERT_EQ(rules->sentences().size(), 1u);
    RuleSentence* sentence = rules->sentences()[0];
    const auto waiting = [&] { return sentence->findChild<QLabel*>("waiting")->text(); };
    makeFile("Desktop/a.png", 10, "123");
    model_->refresh(); // the watcher's rescan
    settle();
    EXPECT_EQ(waiting(), "1 file waiting · 3 bytes");
    model_->toggleRule(ruleID_); // `dustlyn` through the control socket
    settle();
    EXPECT_FALSE(sentence->findChild<SwitchButton*>()->isChecked());
    EXPECT_EQ(waiting(), "Off");

    sentence->findChild<SwitchButton*>()->click();
    settle();
    EXPECT_TRUE(saved().rules.at(0).enabled);
    EXPECT_EQ(waiting(), "1 file waiting · 3 bytes");
    choose(button(sentence, "1 min"), "1 hour");
    EXPECT_EQ(saved().rules.at(0).ageThreshold, 3600);
    EXPECT_EQ(rules->sentences()[0], sentence); // the row is reused, the focus stays
    choose(button(sentence, "More"), "Delete");
    EXPECT_TRUE(saved().rules.empty());
    EXPECT_TRUE(rules->sentences().empty());

    button(rules, "Reset to defaults")->click();
    settle();
    const auto builtIn = DefaultRules::all(folders_);
    ASSERT_EQ(saved().rules, builtIn);
    EXPECT_EQ(rules->sentences().size(), builtIn.size());
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

TEST_F(Panes, theSaveButtonFollowsValidityReturnAddsTheRuleAndEscapeCancels) {
    open(SettingsPane::rules);
    QWidget* rulesPane = pane(SettingsPane::rules);
    button(rulesPane, "New rule")->click();
    settle();
    ASSERT_TRUE(editor());
    QPushButton* save = editor()->saveButton();
    EXPECT_EQ(save->text(), "Add Rule");
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClick(field("Name"), Qt::Key_Return); // does nothing while the draft is invalid
    settle();
    ASSERT_TRUE(editor());
    type(field("Name"), "Logs");
    EXPECT_FALSE(save->isEnabled()); // the extension is still empty
    type(field("Extension"), "log");
    EXPECT_TRUE(save->isEnabled());
    for (const char* age : {"0", "-1", "abc", ""}) {
        SCOPED_TRACE(age);
        type(field("Age"), age);
        EXPECT_FALSE(save->isEnabled());
    }
    type(field("Age"), "2");
    EXPECT_TRUE(save->isEnabled());
    button(editor(), "Remove folder")->click();
    EXPECT_FALSE(save->isEnabled());
    button(editor(), "Add folder")->click();
    settle();
    EXPECT_TRUE(save->isEnabled());
    QTest::keyClick(field("Age"), Qt::Key_Return);
    settle();
    EXPECT_FALSE(editor());
    const auto rules = saved().rules;
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1].name, "Logs");
    EXPECT_EQ(rules[1].folders, std::vector<std::string>{"~/"});
    EXPECT_EQ(rules[1].matchers, std::vector<FileMatcher>{FileMatcher::extensionMatch("log")});
    EXPECT_EQ(rules[1].ageThreshold, 7200);

    button(rulesPane, "New rule")->click();
    settle();
    type(field("Name"), "Half typed");
    QTest::keyClick(field("Name"), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(editor());
    EXPECT_EQ(saved().rules, rules);
}

TEST_F(Panes, editingARuleReplacesItInPlace) {
    open(SettingsPane::rules);
    RuleSentence* sentence = static_cast<RulesPane*>(pane(SettingsPane::rules))->sentences()[0];
    choose(button(sentence, "More"), "Edit…");
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->saveButton()->text(), "Save");
    EXPECT_EQ(field("Age")->text(), "1");
    EXPECT_EQ(editor()->findChild<QComboBox*>("Unit")->currentText(), "minutes");
    type(field("Name"), "Pictures");
    auto* kind = editor()->findChild<QComboBox*>("Matcher kind");
    kind->setCurrentIndex(2); // "Any file": its text field goes away
    EXPECT_FALSE(field("Glob pattern"));
    button(editor(), "Add matcher")->click();
    settle();
    type(field("Extension"), "jpg");
    editor()->saveButton()->click();
    settle();
    const auto rules = saved().rules;
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].id, ruleID_);
    EXPECT_EQ(rules[0].matchers, (std::vector<FileMatcher>{FileMatcher::anyFile(),
                                                           FileMatcher::extensionMatch("jpg")}));
    EXPECT_EQ(RuleWords::text(rules[0]), "Move pictures from Desktop after 1 min");
}

TEST(RuleWords, theBuiltInRulesReadAsSentences) {
    const auto rules = DefaultRules::all(UserFolders::make("/home/u"));
    const std::vector<std::string> expected{
        "Move screenshots from Desktop and Screenshots after 15 min",
        "Move screen recordings from Desktop and 2 more after 15 min",
        "Move installers from Downloads after 1 day",
        "Move archives from Downloads after 3 days",
        "Move any file from Downloads untouched for 30 days",
        "Move documents from Desktop after 7 days"};
    ASSERT_EQ(rules.size(), expected.size());
    for (std::size_t i = 0; i < rules.size(); ++i)
        EXPECT_EQ(RuleWords::text(rules[i]), expected[i]);
    EXPECT_EQ(RuleWords::matcherSummary(rules[2]),
              ".dmg, .pkg, .iso, .deb, .rpm, .appimage, .flatpakref");
    EXPECT_EQ(RuleWords::matcherSummary(rules[0]),
              "Screenshot*.png, Screenshot*.jpg, Screenshot*.jpeg");
    PurgeRule nowhere = rules[2];
    nowhere.folders.clear();
    EXPECT_EQ(RuleWords::text(nowhere), "Move installers from no folder after 1 day");
}

TEST(RuleSentence, theSecondaryLineSaysWhatWaits) {
    EXPECT_EQ(RuleSentence::secondaryText(true, {0, 0}), "Nothing waiting right now");
    EXPECT_EQ(RuleSentence::secondaryText(true, {1, 0}), "1 file waiting · 0 MB");
    EXPECT_EQ(RuleSentence::secondaryText(true, {3, 12'400'000}), "3 files waiting · 12.4 MB");
}

HistoryEntry entry(HistoryEntry::Kind kind, std::string original, std::string rule = {}) {
    return {Uuid::random(),
            dateFromUnix(1'780'000'000),
            kind,
            std::move(original),
            "/q/x",
            10,
            std::move(rule),
            std::nullopt};
}

TEST(HistoryText, captionsNameTheFolderAndFollowTheRetentionOfToday) {
    using Kind = HistoryEntry::Kind;
    const std::filesystem::path home = "/home/u";
    EXPECT_EQ(HistoryText::caption(entry(Kind::quarantined, "/home/u/Desktop/a.png", "Screenshots"),
                                   604800, home),
              "Moved to quarantine from ~/Desktop · Screenshots");
    EXPECT_EQ(HistoryText::caption(entry(Kind::quarantined, "/srv/a.png"), 604800, home),
              "Moved to quarantine from /srv");
    EXPECT_EQ(HistoryText::caption(entry(Kind::restored, "/home/u/Downloads/a"), 1, home),
              "Restored to ~/Downloads");
}

TEST(HistoryText, theNewest300ComeNewestFirst) {
    std::vector<HistoryEntry> history;
    for (int i = 0; i < 301; ++i)
        history.push_back(entry(HistoryEntry::Kind::deleted, "/f" + std::to_string(i)));
    const auto shown = HistoryText::newest(history);
    ASSERT_EQ(shown.size(), 300u);
    EXPECT_EQ(shown.front()->originalPath, "/f300");
    EXPECT_EQ(shown.back()->originalPath, "/f1");
}

// The test runs with TZ=UTC.
TEST(HistoryText, timesAreRelativeForAWeekThenDates) {
    const Date now = dateFromUnix(1'780'000'000); // Thu 2026-05-28 20:26:40 UTC
    EXPECT_EQ(HistoryText::time(dateAfter(now, -60), now), "Today 20:25");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -86400), now), "Wed 20:26");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -5 * 86400.0), now), "Sat 20:26");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -6 * 86400.0), now), "May 22");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -200 * 86400.0), now), "Nov 9, 2025");
    EXPECT_EQ(HistoryText::nextChange(now), dateFromUnix(1'780'012'800));
}

TEST(KeptPane, everySpellingOfTheSamePathIsTheSameKeptFile) {
    const std::vector<std::string> pins{"~/x", "/home/u/x", "/home/u/./docs/../x", "/home/u/y",
                                        "/home/u/x/"};
    EXPECT_EQ(KeptPane::spellingsOf(pins, "/home/u/x", "/home/u"),
              (std::vector<std::string>{"~/x", "/home/u/x", "/home/u/./docs/../x", "/home/u/x/"}));
    EXPECT_EQ(KeptPane::spellingsOf(pins, "~/y", "/home/u"), std::vector<std::string>{"/home/u/y"});
}

constexpr int spacing = 4;
constexpr int lineSpacing = 2;

TEST(FlowLayout, aWidthForOneWordStacksEveryWordOnItsOwnLine) {
    const std::vector<QSize> words{{30, 10}, {40, 12}, {20, 10}};
    const QSize size = FlowLayout::measure(words, 40, spacing, lineSpacing);
    EXPECT_EQ(size, QSize(40, 10 + lineSpacing + 12 + lineSpacing + 10));
    const auto placed = FlowLayout::place(words, QRect(5, 7, 40, 100), spacing, lineSpacing);
    EXPECT_EQ(placed, (std::vector<QRect>{QRect(5, 7, 30, 10), QRect(5, 19, 40, 12),
                                          QRect(5, 33, 20, 10)}));
}

TEST(FlowLayout, wordsThatFitExactlyShareALine) {
    const std::vector<QSize> words{{10, 10}, {10, 14}};
    EXPECT_EQ(FlowLayout::measure(words, 24, spacing, lineSpacing), QSize(24, 14));
    EXPECT_EQ(FlowLayout::measure(words, 23, spacing, lineSpacing), QSize(10, 26));
    EXPECT_EQ(FlowLayout::place(words, QRect(0, 0, 24, 50), spacing, lineSpacing)[1],
              QRect(14, 0, 10, 14));
}

TEST(FlowLayout, aChildWiderThanTheWidthGetsItsOwnLineAndOverflows) {
    const std::vector<QSize> words{{10, 10}, {50, 10}, {10, 10}};
    const auto placed = FlowLayout::place(words, QRect(0, 0, 30, 100), spacing, lineSpacing);
    EXPECT_EQ(placed, (std::vector<QRect>{QRect(0, 0, 10, 10), QRect(0, 12, 50, 10),
                                          QRect(0, 24, 10, 10)}));
    EXPECT_EQ(FlowLayout::measure(words, 30, spacing, lineSpacing), QSize(30, 34));
}

TEST(FlowLayout, withoutAWidthEverythingIsOneLine) {
    const std::vector<QSize> words{{10, 10}, {20, 12}};
    EXPECT_EQ(FlowLayout::measure(words, std::nullopt, spacing, lineSpacing), QSize(34, 12));
    EXPECT_EQ(FlowLayout::measure({}, 100, spacing, lineSpacing), QSize(0, 0));
}

TEST(FlowLayout, aSentenceGrowsTallerAsItsWidgetNarrowsAndHiddenWordsTakeNoPlace) {
    uiTestApp();
    QWidget sentence;
    auto* flow = new FlowLayout(spacing, lineSpacing, &sentence);
    addWords(*flow, QStringLiteral("Move  any file from Downloads untouched for"), &sentence);
    ASSERT_EQ(flow->count(), 7); // doubled spaces make no empty word
    const int oneLine = flow->heightForWidth(2000);
    const int wordHeight = flow->itemAt(0)->sizeHint().height();
    EXPECT_EQ(oneLine, wordHeight);
    EXPECT_EQ(flow->heightForWidth(1), 7 * wordHeight + 6 * lineSpacing);
    sentence.resize(sentence.sizeHint().width() / 2,
                    flow->heightForWidth(sentence.sizeHint().width() / 2));
    flow->activate();
    EXPECT_GT(flow->itemAt(6)->geometry().y(), 0);
    EXPECT_EQ(flow->itemAt(0)->geometry().topLeft(), QPoint(0, 0));
    // A hidden word takes no place.
    flow->itemAt(6)->widget()->hide();
    flow->invalidate();
    EXPECT_EQ(flow->heightForWidth(1), 6 * wordHeight + 5 * lineSpacing);
}

} // namespace
} // namespace dustlyn::testing

#include "app/onboarding/FolderChoice.h"
#include "app/onboarding/OnboardingSteps.h"
#include "app/onboarding/OnboardingView.h"
#include "app/onboarding/OnboardingWindow.h"
#include "app/onboarding/OnboardingWindowController.h"
#include "app/onboarding/SampleFile.h"
#include "app/platform/xdg/XdgLoginItem.h"
#include "app/shell/AppActivation.h"
#include "core/config/DefaultRules.h"
#include "tests/app/notch/NotchFixture.h"
#include "tests/app/settings/FindWidgets.h"
#include "tests/app/support/UiTestApp.h"

#include <QAbstractButton>
#include <QImage>
#include <QMenu>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

// The onboarding over a real model in a throw-away home that has never run Dustlyn, with
// the notch on fake desktop services and the login item as the real autostart file.
class OnboardingTest : public NotchFixture {
protected:
    OnboardingTest() {
        uiTestApp();
        start([this](Configuration& config) { config = Configuration::defaults(folders_); });
        controller_ = std::make_unique<OnboardingWindowController>(*model_, *notch_, login_, clock_,
                                                                   [this] { ++finishes_; });
        controller_->show();
        // The folder probes answer from a worker thread.
        EXPECT_TRUE(spinUntil([&] { return view().access("desktop").has_value(); }));
    }

    OnboardingView& view() { return *controller_->view(); }
    QAbstractButton* button(const QString& text) { return findButton(controller_->window(), text); }
    Configuration saved() const { return ConfigurationStore::defaultStore(folders_).load(); }

    XdgLoginItem login_{folders_.configHome};
    int finishes_ = 0;
    std::unique_ptr<OnboardingWindowController> controller_;
};

TEST_F(OnboardingTest, theModelStartsOnlyWhenTheFolderStepIsLeft) {
    button("Continue")->click();
    EXPECT_EQ(view().step(), 1);

    // Both cards off: the button is dimmed and does nothing.
    const Configuration before = model_->config();
    button("Screenshots and recordings")->click();
    QAbstractButton* primary = button("Continue");
    EXPECT_FALSE(primary->isEnabled());
    ASSERT_NE(primary->graphicsEffect(), nullptr);
    view().next();
    EXPECT_EQ(view().step(), 1);
    EXPECT_FALSE(model_->started());

    // Downloads on, off and on again: its two rules on, nothing else of the rules changed.
    button("Installers and archives")->click();
    button("Installers and archives")->click();
    EXPECT_FALSE(primary->isEnabled());
    button("Installers and archives")->click();
    std::vector<PurgeRule> expected = before.rules;
    for (PurgeRule& rule : expected)
        rule.enabled = rule.name == "Downloads - Installers" || rule.name == "Downloads - Archives";
    EXPECT_EQ(saved().rules, expected) << "saved at once";
    EXPECT_TRUE(primary->isEnabled());
    EXPECT_EQ(primary->graphicsEffect(), nullptr);

    primary->click();
    EXPECT_EQ(view().step(), 2);
    EXPECT_TRUE(model_->started());
    advance(0.05);
    EXPECT_TRUE(model_->lastSweepDate()) << "the first sweep runs 50 ms after the start";
}

TEST_F(OnboardingTest, accessIsShownForFoldersThatAreOnAndAskedForAgain) {
    // The Desktop exists; Downloads does not yet.
    view().next();
    EXPECT_TRUE(shows(controller_->window(), "Access granted"));
    EXPECT_EQ(button("Allow access…"), nullptr) << "Downloads is off: no access line";
    button("Installers and archives")->click();
    ASSERT_TRUE(spinUntil([&] { return view().access("downloads").has_value(); }));
    QAbstractButton* allow = button("Allow access…");
    ASSERT_NE(allow, nullptr);
    fs::create_directories(home_ / "Downloads");
    allow->click();
    EXPECT_TRUE(spinUntil([&] { return view().access("downloads") == true; }));
    EXPECT_EQ(button("Allow access…"), nullptr);
}

TEST_F(OnboardingTest, aSampleStartsTheModelLeavesAfterThirtySecondsAndTheNotchPeeksAtIt) {
    fs::create_directories(home_ / "Downloads");
    EXPECT_EQ(controller_->createSample(), std::nullopt);
    EXPECT_TRUE(model_->started());
    const fs::path first = home_ / "Downloads/Dustlyn Sample.png";
    ASSERT_TRUE(fs::exists(first));
    EXPECT_EQ(mode(), Mode::peek);
    EXPECT_EQ(vm().peekFiles(), files({"Dustlyn Sample.png"}));

    advance(10);
    view().next();
    view().next();
    button("Create a sample file")->click();
    const fs::path second = home_ / "Downloads/Dustlyn Sample (1).png";
    ASSERT_TRUE(fs::exists(second));
    EXPECT_NE(button("Create another"), nullptr);
    EXPECT_EQ(view().sampleStatus(), "Leaves in 0:20. Watch the notch.") << "the first one";

    advance(20.6);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
    EXPECT_EQ(view().sampleStatus(), "Leaves in 0:09. Watch the notch.") << "the one left";
    advance(10);
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(model_->quarantined().size(), 2u);
}

// Real windows, offscreen: the settings and first-run windows count, the notch's kind of
// window and menus do not. The first-run window closed early starts the cleaning but leaves
// the onboarding to be done.
TEST_F(OnboardingTest, closingOneOfTwoWindowsKeepsTheApplicationRegularAndClosingEarlyStarts) {
    QWidget& onboarding = *controller_->window();
    QWidget settings(nullptr, Qt::Window);
    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QMenu menu;
    EXPECT_TRUE(AppActivation::presenceOf(onboarding).titled);
    EXPECT_TRUE(AppActivation::presenceOf(settings).titled);
    EXPECT_FALSE(AppActivation::presenceOf(panel).titled);
    EXPECT_FALSE(AppActivation::presenceOf(menu).titled);

    AppActivation activation(&AppActivation::applicationWindows);
    panel.show();
    settings.show();
    activation.becomeRegular();
    settings.close();
    activation.settleIfNoWindows();
    EXPECT_EQ(activation.policy(), ActivationPolicy::regular) << "the onboarding is still up";
    onboarding.close();
    activation.settleIfNoWindows();
    EXPECT_EQ(activation.policy(), ActivationPolicy::accessory) << "only the panel is left";
    EXPECT_TRUE(model_->started());
    EXPECT_FALSE(controller_->isOpen());
    EXPECT_FALSE(saved().onboardingCompleted);
    EXPECT_EQ(finishes_, 0);
}

// With "Open Dustlyn at login" switched off (the end-to-end test finishes both ways).
TEST_F(OnboardingTest, finishingMarksTheOnboardingCompleteAndWritesNoAutostartFileUnlessAsked) {
    for (int i = 0; i < 3; ++i)
        button("Continue")->click();
    button("Open Dustlyn at login")->click();
    button("Start using Dustlyn")->click();
    EXPECT_FALSE(fs::exists(login_.file()));
    EXPECT_TRUE(saved().onboardingCompleted);
    EXPECT_EQ(finishes_, 1);
}

TEST(FolderChoice, cardsNameTheUsersOwnFolders) {
    TempDir home;
    writeFile(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
                                               "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    const auto choices = FolderChoice::all(UserFolders::make(home.path()));
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].path, "~/Bureau");
    EXPECT_EQ(choices[1].path, "~/Téléchargements");
}

// A card is on while any of its rules is on; the stale-downloads and desktop-documents
// rules belong to no card. The folder step can be left while a card is on.
TEST(FolderChoice, aCardIsOnWhileOneOfItsRulesIs) {
    const struct {
        const char* name;
        std::vector<std::string> rulesOn;
        bool desktop;
        bool downloads;
    } cases[] = {
        {"nothing", {}, false, false},
        {"onlyScreenshots", {"Screenshots"}, true, false},
        {"onlyRecordings", {"Screen Recordings"}, true, false},
        {"onlyArchives", {"Downloads - Archives"}, false, true},
        {"otherRulesOnly", {"Downloads - Stale", "Desktop - Documents"}, false, false},
    };
    const UserFolders folders = UserFolders::make("/home/u");
    const auto choices = FolderChoice::all(folders);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<PurgeRule> rules = DefaultRules::all(folders);
        for (PurgeRule& rule : rules)
            rule.enabled =
                std::find(c.rulesOn.begin(), c.rulesOn.end(), rule.name) != c.rulesOn.end();
        EXPECT_EQ(choices[0].enabled(rules), c.desktop);
        EXPECT_EQ(choices[1].enabled(rules), c.downloads);
        EXPECT_EQ(OnboardingSteps::canContinue(OnboardingSteps::folders, choices, rules),
                  c.desktop || c.downloads);
        for (int step : {OnboardingSteps::welcome, OnboardingSteps::tryIt, OnboardingSteps::done})
            EXPECT_TRUE(OnboardingSteps::canContinue(step, choices, rules)) << step;
    }
}

TEST(SampleFile, takenNamesGetNumbersAndNothingIsOverwritten) {
    TempDir folder;
    writeFile(folder / "Dustlyn Sample.png", "mine");
    writeFile(folder / "Dustlyn Sample (1).png", "mine too");
    const QImage image = SampleFile::render();
    std::string error;
    const auto first = SampleFile::write(folder.path(), image, error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(*first, folder / "Dustlyn Sample (2).png");
    EXPECT_EQ(readFile(folder / "Dustlyn Sample.png"), "mine");

    // The picture: the logo tile on white, 336 points square at twice the pixels.
    const QImage written(QString::fromStdString(first->native()));
    EXPECT_EQ(written.size(), QSize(672, 672));
    EXPECT_EQ(written.pixelColor(4, 4), QColor(Qt::white));
    EXPECT_LT(written.pixelColor(336, 160).lightness(), 60) << "the dark tile";
}

TEST(SampleFile, goesToDownloadsElseTheDesktopElseDustlynsFolder) {
    TempDir home;
    const UserFolders folders = UserFolders::make(home.path());
    EXPECT_EQ(SampleFile::folder(folders), folders.supportDirectory()) << "made when missing";
    fs::create_directories(home / "Desktop");
    EXPECT_EQ(SampleFile::folder(folders), home / "Desktop");
    fs::create_directories(home / "Downloads");
    EXPECT_EQ(SampleFile::folder(folders), home / "Downloads");
    // A file where the folder should be is no folder to write in.
    fs::remove(home / "Downloads");
    writeFile(home / "Downloads", "not a folder");
    EXPECT_EQ(SampleFile::folder(folders), home / "Desktop");
}

} // namespace
} // namespace dustlyn::testing

#include "app/onboarding/OnboardingWindow.h"
#include "app/onboarding/FolderRow.h"
#include "app/onboarding/OnboardingView.h"
#include "app/onboarding/OnboardingWindowController.h"
#include "app/platform/xdg/XdgLoginItem.h"
#include "app/settings/SwitchButton.h"
#include "core/config/DefaultRules.h"
#include "tests/app/notch/NotchFixture.h"
#include "tests/app/settings/SettingsFixture.h"
#include "tests/app/support/UiTestApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

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
    ~OnboardingTest() override { controller_.reset(); }

    OnboardingView& view() { return *controller_->view(); }
    QAbstractButton* button(const QString& text) { return findButton(controller_->window(), text); }
    FolderRow* row(const std::string& id) {
        for (auto* row : controller_->window()->findChildren<FolderRow*>())
            if (row->choice().id == id)
                return row;
        return nullptr;
    }
    Configuration saved() const { return ConfigurationStore::defaultStore(folders_).load(); }

    XdgLoginItem login_{folders_.configHome};
    int finishes_ = 0;
    std::unique_ptr<OnboardingWindowController> controller_;
};

TEST_F(OnboardingTest, theModelStartsOnlyWhenTheFolderStepIsLeft) {
    EXPECT_FALSE(model_->started());
    button("Continue")->click();
    EXPECT_EQ(view().step(), 1);
    EXPECT_FALSE(model_->started());

    // Both cards off: the button is dimmed and does nothing.
    const Configuration before = model_->config();
    row("desktop")->toggle()->click();
    QAbstractButton* primary = button("Continue");
    EXPECT_FALSE(primary->isEnabled());
    ASSERT_NE(primary->graphicsEffect(), nullptr);
    view().next();
    EXPECT_EQ(view().step(), 1);
    EXPECT_FALSE(model_->started());

    // Downloads on, off and on again: its two rules on, nothing else of the rules changed.
    row("downloads")->toggle()->click();
    row("downloads")->toggle()->click();
    EXPECT_FALSE(primary->isEnabled());
    row("downloads")->toggle()->click();
    std::vector<PurgeRule> expected = before.rules;
    for (PurgeRule& rule : expected)
        rule.enabled = rule.name == "Downloads - Installers" || rule.name == "Downloads - Archives";
    EXPECT_EQ(model_->config().rules, expected);
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
    EXPECT_EQ(view().access("desktop"), true);
    view().next();
    EXPECT_TRUE(shows(controller_->window(), "Access granted"));
    EXPECT_EQ(button("Allow access…"), nullptr) << "Downloads is off: no access line";
    row("downloads")->toggle()->click();
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
    ASSERT_EQ(vm().peekFiles().size(), 1u);
    EXPECT_EQ(vm().peekFiles()[0].url, first.native());

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
    EXPECT_EQ(view().sampleStatus(), "Moved to quarantine. Nothing is deleted for 7 days.");
}

TEST_F(OnboardingTest, closingEarlyStartsCleaningButLeavesTheOnboardingIncomplete) {
    controller_->window()->close();
    EXPECT_TRUE(model_->started());
    EXPECT_FALSE(controller_->isOpen());
    EXPECT_FALSE(saved().onboardingCompleted);
    EXPECT_EQ(finishes_, 0);
}

// With "Open Dustlyn at login" left on, or switched off.
class OnboardingFinish : public OnboardingTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OnboardingFinish, marksTheOnboardingCompleteAndWritesTheAutostartFileOnlyWhenAsked) {
    for (int i = 0; i < 3; ++i)
        button("Continue")->click();
    auto* openAtLogin = dynamic_cast<SwitchButton*>(button("Open Dustlyn at login"));
    ASSERT_NE(openAtLogin, nullptr);
    EXPECT_TRUE(openAtLogin->isChecked()) << "on unless the user says otherwise";
    if (!GetParam())
        openAtLogin->click();
    button("Start using Dustlyn")->click();

    EXPECT_EQ(fs::exists(login_.file()), GetParam());
    EXPECT_EQ(login_.enabled(), GetParam());
    EXPECT_TRUE(saved().onboardingCompleted);
    EXPECT_EQ(finishes_, 1);
    EXPECT_FALSE(controller_->isOpen());
    EXPECT_TRUE(model_->started());
}

INSTANTIATE_TEST_SUITE_P(Onboarding, OnboardingFinish, ::testing::Bool(), [](const auto& row) {
    return row.param ? "withLoginItem" : "withoutLoginItem";
});

} // namespace
} // namespace dustlyn::testing

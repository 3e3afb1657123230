#include "app/onboarding/OnboardingView.h"
#include "app/onboarding/OnboardingWindow.h"
#include "app/shell/AppActivation.h"
#include "app/shell/SettingsCommand.h"
#include "tests/app/model/ModelFixture.h"
#include "tests/app/support/UiTestApp.h"

#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

// Real windows, offscreen: the settings and first-run windows count, the notch's kind of
// window and menus do not.
class ActivationWindows : public testing::ModelFixture {
protected:
    ActivationWindows() { testing::uiTestApp(); }
};

TEST_F(ActivationWindows, closingOneOfTwoWindowsKeepsTheApplicationRegular) {
    auto model = makeModel();
    OnboardingWindow onboarding(new OnboardingView(*model, clock_, {}, {}));
    QWidget settings(nullptr, Qt::Window);
    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    QMenu menu;
    EXPECT_TRUE(AppActivation::presenceOf(onboarding).titled);
    EXPECT_TRUE(AppActivation::presenceOf(settings).titled);
    EXPECT_FALSE(AppActivation::presenceOf(panel).titled);
    EXPECT_FALSE(AppActivation::presenceOf(menu).titled);

    AppActivation activation(&AppActivation::applicationWindows);
    panel.show();
    onboarding.show();
    settings.show();
    activation.becomeRegular();
    settings.close();
    activation.settleIfNoWindows();
    EXPECT_EQ(activation.policy(), ActivationPolicy::regular) << "the onboarding is still up";
    onboarding.close();
    activation.settleIfNoWindows();
    EXPECT_EQ(activation.policy(), ActivationPolicy::accessory) << "only the panel is left";
}

TEST(SettingsPaneArgument, namesAPaneByItsTitleInAnyCase) {
    CommandLine line;
    line.command = "settings";
    EXPECT_EQ(SettingsCommand::pane(line), std::nullopt);
    line.arguments = {"kept FILES"};
    EXPECT_EQ(SettingsCommand::pane(line), SettingsPane::kept);
}

} // namespace
} // namespace dustlyn

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

using testing::RowName;

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

struct PaneRow {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<SettingsPane> pane;
};

class SettingsPaneArgument : public ::testing::TestWithParam<PaneRow> {};

TEST_P(SettingsPaneArgument, namesAPaneByItsTitleInAnyCase) {
    CommandLine line;
    line.command = "settings";
    line.arguments = GetParam().arguments;
    EXPECT_EQ(SettingsCommand::pane(line), GetParam().pane);
}

INSTANTIATE_TEST_SUITE_P(Activation, SettingsPaneArgument,
                         ::testing::Values(PaneRow{"none", {}, std::nullopt},
                                           PaneRow{"twoWords", {"kept FILES"}, SettingsPane::kept}),
                         RowName());

TEST(SettingsPaneArgument, anyOtherNameIsAUsageErrorListingTheFivePanes) {
    for (const char* name : {"Bogus", "Kept", "kept  files", ""}) {
        CommandLine line;
        line.command = "settings";
        line.arguments = {name};
        try {
            SettingsCommand::pane(line);
            ADD_FAILURE() << name;
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "dustlyn settings: there is no pane \"" + std::string(name) +
                          "\"; choose Overview, Rules, Notch, History or \"Kept files\"");
        }
    }
}

} // namespace
} // namespace dustlyn

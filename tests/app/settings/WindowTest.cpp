#include "app/settings/SettingsView.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "tests/app/settings/SettingsFixture.h"

#include <QListWidget>
#include <QSettings>

namespace dustlyn::testing {
namespace {

class Window : public SettingsFixture {
protected:
    void SetUp() override { model_ = makeModel(); }
    std::unique_ptr<AppModel> model_;
};

TEST_F(Window, reopeningKeepsThePaneAndTheGeometryIsRemembered) {
    QRect placed;
    {
        SettingsWindowController controller(*model_, services());
        controller.show(SettingsPane::notch);
        settle();
        EXPECT_EQ(controller.window()->size(), QSize(820, 600));
        EXPECT_EQ(controller.window()->minimumSize(), QSize(760, 520));
        controller.window()->setGeometry(40, 50, 900, 640);
        placed = controller.window()->geometry();
        controller.window()->close();
        settle();
        EXPECT_FALSE(controller.window()->isVisible());
        controller.show();
        EXPECT_EQ(controller.router().pane(), SettingsPane::notch);
        EXPECT_EQ(controller.view()->sidebar()->currentItem()->text(), "Notch");
    }
    const QSettings stored(QString::fromStdString(services().geometryFile.native()),
                           QSettings::IniFormat);
    EXPECT_TRUE(stored.contains("DustlynSettings"));
    SettingsWindowController again(*model_, services());
    again.show();
    settle();
    EXPECT_EQ(again.window()->geometry().size(), placed.size());
}

} // namespace
} // namespace dustlyn::testing

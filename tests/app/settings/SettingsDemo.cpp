// Opens the settings window over a lived-in home, as the running application would, for
// driving it from outside (AT-SPI, xdotool). The home is made in HOME unless it already
// holds a configuration; the window opens on PANE (default Overview). Closing it quits.
//   dustlyn-settings-demo HOME [PANE]
// The login item is a file HOME/login-item that exists while it is on.
#include "app/platform/NullPlatform.h"
#include "app/settings/SettingsWindowController.h"
#include "tests/app/settings/DemoHome.h"

#include <QApplication>

#include <fstream>
#include <iostream>

using namespace dustlyn;

namespace {

class FileLoginItem : public LoginItem {
public:
    explicit FileLoginItem(std::filesystem::path file) : file_(std::move(file)) {}
    void registerItem() override { std::ofstream(file_) << "on\n"; }
    void unregisterItem() override { std::filesystem::remove(file_); }
    bool enabled() const override { return std::filesystem::exists(file_); }

private:
    std::filesystem::path file_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dustlyn-settings-demo"));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) {
        std::cerr << "usage: dustlyn-settings-demo HOME [PANE]\n";
        return 2;
    }
    const UserFolders folders = UserFolders::make(arguments[1].toStdString());
    if (!std::filesystem::exists(ConfigurationStore::defaultStore(folders).url()))
        testing::DemoHome::build(folders, std::chrono::system_clock::now(), 40, 2);
    const auto model = testing::standardModel(folders);

    SettingsServices services;
    services.loginItem = std::make_shared<FileLoginItem>(folders.home / "login-item");
    services.fileBrowser = std::make_shared<NullFileBrowser>();
    services.chooser = std::make_shared<DialogFileChooser>();
    services.clock = std::make_shared<SystemClock>();
    services.geometryFile = folders.configHome / "Dustlyn/settings-window.conf";
    SettingsWindowController controller(*model, services);
    controller.onToggleIcon = [&model](bool on) { model->updateShowMenuBarIcon(on); };
    const auto pane =
        arguments.size() > 2 ? SettingsPanes::fromTitleIgnoringCase(arguments[2]) : std::nullopt;
    controller.show(pane);
    return QApplication::exec();
}

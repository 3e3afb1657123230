// Draws each settings pane and the rule editor into PNG files, from a home as a user who
// has run Dustlyn for a while has it, so the faces can be looked at without a desktop.
//   dustlyn-settings-render OUTDIR
// QT_SCALE_FACTOR=2 draws them at twice the pixels.
#include "app/model/RuleDraft.h"
#include "app/platform/NullPlatform.h"
#include "app/settings/RuleEditorView.h"
#include "app/settings/SettingsView.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "tests/app/settings/DemoHome.h"
#include "tests/app/settings/FindWidgets.h"
#include "tests/app/support/Recorders.h"

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <fstream>
#include <iostream>

using namespace dustlyn;

namespace {

void settle() {
    for (int i = 0; i < 4; ++i) {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

bool save(QWidget* widget, const QString& file) {
    return testing::savePicture(widget->grab().toImage(), file);
}

// Answers the folder chooser with a folder set beforehand, so the Overview's line under the
// quarantine folder can be drawn.
class SetFolderChooser : public FileChooser {
public:
    std::optional<std::filesystem::path> folder;
    std::optional<std::filesystem::path> chooseFolder(QWidget*) override { return folder; }
    std::vector<std::filesystem::path> chooseFiles(QWidget* parent) override {
        return DialogFileChooser().chooseFiles(parent);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2) {
        std::cerr << "usage: dustlyn-settings-render OUTDIR\n";
        return 2;
    }
    const QString out = arguments[1];
    QDir().mkpath(out);

    QTemporaryDir root;
    const UserFolders folders = UserFolders::make((root.path() + "/home").toStdString());
    const Date now = std::chrono::system_clock::now();
    testing::DemoHome::build(folders, now, 40, 2);
    const auto model = testing::standardModel(folders);

    SettingsServices services;
    services.loginItem = std::make_shared<testing::RecordingLoginItem>();
    services.fileBrowser = std::make_shared<NullFileBrowser>();
    const auto chooser = std::make_shared<SetFolderChooser>();
    services.chooser = chooser;
    services.clock = std::make_shared<SystemClock>();
    SettingsWindowController controller(*model, services);

    bool written = true;
    for (const SettingsPane pane : SettingsPanes::all) {
        controller.show(pane);
        settle();
        const QString name =
            out + "/settings-" + SettingsPanes::title(pane).toLower().replace(' ', '-');
        written &= save(controller.window(), name + ".png");
        auto* stack = controller.window()->findChild<QStackedWidget*>();
        auto* scroll = qobject_cast<QScrollArea*>(stack->currentWidget());
        scroll->widget()->resize(scroll->viewport()->width(),
                                 scroll->widget()->heightForWidth(scroll->viewport()->width()));
        written &= save(scroll->widget(), name + "-full.png");
    }
    // A folder that holds files, then one that cannot be the quarantine at all.
    controller.show(SettingsPane::overview);
    std::filesystem::create_directories(folders.home / "Attic");
    std::ofstream(folders.home / "Attic/old letter.txt") << "mine";
    chooser->folder = folders.home / "Attic";
    testing::findButton(controller.window(), QStringLiteral("Change…"))->click();
    settle();
    written &= save(controller.window(), out + "/settings-overview-folder-of-its-own.png");
    chooser->folder = folders.home;
    testing::findButton(controller.window(), QStringLiteral("Change…"))->click();
    settle();
    written &= save(controller.window(), out + "/settings-overview-folder-refused.png");

    controller.show(SettingsPane::rules);
    controller.window()->resize(760, 520);
    settle();
    written &= save(controller.window(), out + "/settings-rules-narrow.png");

    controller.view()->edit(RuleDraft::newRule(), true);
    settle();
    written &= save(controller.view()->editor(), out + "/settings-editor-new.png");
    controller.view()->editor()->reject();
    settle();
    controller.view()->edit(RuleDraft::from(model->config().rules.at(0)), false);
    settle();
    written &= save(controller.view()->editor(), out + "/settings-editor-existing.png");
    controller.view()->editor()->reject();
    return written ? 0 : 1;
}

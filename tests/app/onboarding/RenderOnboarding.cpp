// Draws each step of the first-run window into PNG files, at 1x and at 2x, from a home
// that has never run Dustlyn, so the steps can be looked at without a desktop.
//   dustlyn-onboarding-render OUTDIR
// Writes onboarding-welcome, -folders, -folders-no-access (Downloads on but unreadable),
// -folders-none (both cards off), -try (with a sample on its way) and -done, each also as
// NAME@2x.png.
#include "app/model/QtTimerSource.h"
#include "app/notch/NotchController.h"
#include "app/onboarding/OnboardingView.h"
#include "app/onboarding/OnboardingWindow.h"
#include "app/onboarding/OnboardingWindowController.h"
#include "tests/app/notch/FakePlatform.h"
#include "tests/app/settings/DemoHome.h"
#include "tests/app/settings/FindWidgets.h"
#include "tests/app/support/Recorders.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <filesystem>
#include <iostream>

#include <unistd.h>

using namespace dustlyn;

namespace {

// Lets the folder probes answer, the fades end and the posted redraws run.
void settle() {
    for (int i = 0; i < 30; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool save(QWidget* window, const QString& out, const QString& name) {
    bool written = true;
    for (const int scale : {1, 2}) {
        QImage image(window->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        window->render(&image);
        written &= testing::savePicture(image, out + "/onboarding-" + name +
                                                   (scale == 2 ? "@2x.png" : ".png"));
    }
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2) {
        std::cerr << "usage: dustlyn-onboarding-render OUTDIR\n";
        return 2;
    }
    const QString out = arguments[1];
    QDir().mkpath(out);

    QTemporaryDir root;
    const UserFolders folders = UserFolders::make((root.path() + "/home").toStdString());
    std::filesystem::create_directories(folders.home / "Desktop");
    const auto model = testing::standardModel(folders);

    testing::FakeScreens screens;
    testing::FakeInput input;
    testing::FakeDrag drag;
    testing::FakeActiveWindow activeWindow;
    testing::FakeHotKey hotKey;
    const auto clock = std::make_shared<SystemClock>();
    NotchServices services{
        screens,   input, drag, activeWindow, hotKey, clock, std::make_shared<QtTimerSource>(),
        ::getpid()};
    NotchController notch(*model, services,
                          [](NotchController&) { return std::make_unique<testing::FakePanel>(); },
                          {});
    testing::RecordingLoginItem login;
    OnboardingWindowController controller(*model, notch, login, clock, {});
    controller.show();
    OnboardingView& view = *controller.view();
    settle();

    bool written = save(controller.window(), out, "welcome");
    view.next();
    settle();
    written &= save(controller.window(), out, "folders");
    // Downloads on while it cannot be read: the access line asks again.
    view.setFolderEnabled(view.folders().at(1), true);
    settle();
    written &= save(controller.window(), out, "folders-no-access");
    view.setFolderEnabled(view.folders().at(1), false);
    // Both cards off: "Continue" dimmed and disabled.
    view.setFolderEnabled(view.folders().at(0), false);
    settle();
    written &= save(controller.window(), out, "folders-none");
    view.setFolderEnabled(view.folders().at(0), true);
    view.next();
    std::filesystem::create_directories(folders.home / "Downloads");
    testing::findButton(controller.window(), QStringLiteral("Create a sample file"))->click();
    settle();
    written &= save(controller.window(), out, "try");
    view.next();
    settle();
    written &= save(controller.window(), out, "done");
    model->stop();
    return written ? 0 : 1;
}

#include "app/shell/DesktopShell.h"

#include "app/instance/Instance.h"
#include "app/instance/StopSignals.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/SettingsCommand.h"

#include <QApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <iostream>

namespace dustlyn {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The notch needs X11: on a Wayland session it runs through XWayland, unless the user
// chose a platform plugin. Qt aborts when it cannot reach its display, so the X server
// is tried first and a missing one explained.
bool prepareDisplay() {
    if (variable("QT_QPA_PLATFORM").empty() && !variable("WAYLAND_DISPLAY").empty())
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string platform = variable("QT_QPA_PLATFORM");
    if (!platform.empty() && platform.rfind("xcb", 0) != 0)
        return true;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

std::optional<std::string> notchDemo(const CommandLine& line) {
    if (auto name = line.value("--notch-demo"))
        return name;
    if (std::string name = variable("DUSTLYN_NOTCH_DEMO"); !name.empty())
        return name;
    return std::nullopt;
}

LaunchOptions launchOptions(const CommandLine& line) {
    LaunchOptions options;
    options.notchDemo = notchDemo(line);
    if (line.command == "settings") {
        options.showSettings = true;
        options.settingsPane = SettingsCommand::pane(line);
    }
    return options;
}

} // namespace

int DesktopShell::run(const Environment& environment, const CommandLine& line) {
    LaunchOptions options = launchOptions(line);
    if (!prepareDisplay()) {
        const std::string display = variable("DISPLAY");
        std::cerr << "dustlyn: no X display to show the notch on ("
                  << (display.empty() ? "DISPLAY is not set" : "cannot open DISPLAY " + display)
                  << "); run `dustlyn --headless` to clean up without windows\n";
        return 2;
    }
    StopSignals::block();
    int argc = 1;
    char name[] = "dustlyn";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dustlyn"));
    QApplication::setDesktopFileName(QStringLiteral("dustlyn"));
    // The notch and the tray live on without any window open.
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate delegate(environment, std::move(options));
    try {
        delegate.launch();
    } catch (const InstanceError& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    StopSignals stopSignals;
    // The session is ending: nothing needs saving, every change was saved when made.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace dustlyn

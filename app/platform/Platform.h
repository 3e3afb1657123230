#pragma once

#include "app/platform/ActiveWindow.h"
#include "app/platform/DragMonitor.h"
#include "app/platform/FileBrowser.h"
#include "app/platform/HotKey.h"
#include "app/platform/InputMonitor.h"
#include "app/platform/LoginItem.h"
#include "app/platform/PanelWindowSystem.h"
#include "app/platform/Screens.h"
#include "app/platform/TrayIcon.h"

#include <memory>

namespace dustlyn {

struct Environment;

// The desktop services, chosen once at start-up: the X11 ones when Qt runs on an X
// server (XWayland included), null ones for tests, `--headless` and other platforms.
struct Platform {
    std::unique_ptr<Screens> screens;
    std::unique_ptr<InputMonitor> input;
    std::unique_ptr<DragMonitor> drag;
    std::unique_ptr<ActiveWindow> activeWindow;
    std::unique_ptr<HotKey> hotKey;
    std::unique_ptr<TrayIcon> tray;
    std::unique_ptr<LoginItem> loginItem;
    std::unique_ptr<FileBrowser> fileBrowser;
    std::unique_ptr<PanelWindowSystem> panel;

    static Platform null();
    // The services of this session: the X11 ones when Qt runs on an X server (XWayland
    // included), null ones elsewhere; the login item is the XDG autostart file either way.
    // Needs the QGuiApplication (a QApplication for the tray's menu) to exist already.
    static Platform forSession(const Environment& environment);
};

} // namespace dustlyn

#include "app/platform/Platform.h"

#include "app/platform/NullPlatform.h"

namespace dustlyn {

Platform Platform::null() {
    Platform platform;
    platform.screens = std::make_unique<NullScreens>();
    platform.input = std::make_unique<NullInputMonitor>();
    platform.drag = std::make_unique<NullDragMonitor>();
    platform.activeWindow = std::make_unique<NullActiveWindow>();
    platform.hotKey = std::make_unique<NullHotKey>();
    platform.tray = std::make_unique<NullTrayIcon>();
    platform.loginItem = std::make_unique<NullLoginItem>();
    platform.fileBrowser = std::make_unique<NullFileBrowser>();
    platform.panel = std::make_unique<NullPanelWindowSystem>();
    return platform;
}

} // namespace dustlyn

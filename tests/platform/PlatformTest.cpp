#include "app/platform/Platform.h"
#include "app/instance/Environment.h"
#include "app/platform/QtScreens.h"
#include "app/platform/dbus/FreedesktopFileBrowser.h"
#include "app/platform/dbus/StatusNotifierTray.h"
#include "app/platform/x11/X11ActiveWindow.h"
#include "app/platform/x11/X11DragMonitor.h"
#include "app/platform/x11/X11HotKey.h"
#include "app/platform/x11/X11InputMonitor.h"
#include "app/platform/x11/X11PanelWindowSystem.h"
#include "app/platform/xdg/XdgLoginItem.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

template <class Expected, class Service> bool is(const std::unique_ptr<Service>& service) {
    return dynamic_cast<Expected*>(service.get()) != nullptr;
}

TEST(PlatformForSession, anXServerGetsTheX11ServicesAndTheAutostartEntryInTheConfigFolder) {
    Environment environment;
    environment.folders.configHome = "/home/ada/.config";
    const Platform platform = Platform::forSession(environment);
    EXPECT_TRUE(is<QtScreens>(platform.screens) && is<X11InputMonitor>(platform.input) &&
                is<X11DragMonitor>(platform.drag) && is<X11ActiveWindow>(platform.activeWindow) &&
                is<X11HotKey>(platform.hotKey) && is<StatusNotifierTray>(platform.tray) &&
                is<FreedesktopFileBrowser>(platform.fileBrowser) &&
                is<X11PanelWindowSystem>(platform.panel));
    ASSERT_TRUE(is<XdgLoginItem>(platform.loginItem));
    EXPECT_EQ(static_cast<XdgLoginItem&>(*platform.loginItem).file(),
              "/home/ada/.config/autostart/dustlyn.desktop");
}

} // namespace
} // namespace dustlyn

#include "app/platform/Platform.h"

#include "app/instance/Environment.h"
#include "app/platform/NullPlatform.h"
#include "app/platform/QtScreens.h"
#include "app/platform/dbus/FreedesktopFileBrowser.h"
#include "app/platform/dbus/StatusNotifierTray.h"
#include "app/platform/x11/X11ActiveWindow.h"
#include "app/platform/x11/X11Connection.h"
#include "app/platform/x11/X11DragMonitor.h"
#include "app/platform/x11/X11HotKey.h"
#include "app/platform/x11/X11InputMonitor.h"
#include "app/platform/x11/X11PanelWindowSystem.h"
#include "app/platform/xdg/XdgLoginItem.h"

#include <QDBusConnection>
#include <QGuiApplication>

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

Platform Platform::forSession(const Environment& environment) {
    Platform platform = null();
    platform.loginItem = std::make_unique<XdgLoginItem>(environment.folders.configHome);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return platform;
    const auto x11 = X11Connection::fromQt();
    if (!x11)
        return platform;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    platform.screens = std::make_unique<QtScreens>();
    platform.input = std::make_unique<X11InputMonitor>(x11);
    platform.drag = std::make_unique<X11DragMonitor>(x11);
    platform.activeWindow = std::make_unique<X11ActiveWindow>(x11);
    platform.hotKey = std::make_unique<X11HotKey>(x11);
    platform.tray = std::make_unique<StatusNotifierTray>(bus);
    platform.fileBrowser = std::make_unique<FreedesktopFileBrowser>(bus);
    platform.panel = std::make_unique<X11PanelWindowSystem>(x11);
    return platform;
}

} // namespace dustlyn

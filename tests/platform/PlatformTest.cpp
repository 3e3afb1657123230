#include "app/instance/Environment.h"
#include "app/platform/NullPlatform.h"
#include "app/platform/QtScreens.h"
#include "app/platform/dbus/FreedesktopFileBrowser.h"
#include "app/platform/dbus/StatusNotifierTray.h"
#include "app/platform/x11/X11ActiveWindow.h"
#include "app/platform/x11/X11DragMonitor.h"
#include "app/platform/x11/X11HotKey.h"
#include "app/platform/x11/X11InputMonitor.h"
#include "app/platform/x11/X11PanelWindowSystem.h"
#include "app/platform/xdg/XdgLoginItem.h"
#include "tests/platform/support/Desktop.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

template <class Expected, class Service> bool is(const std::unique_ptr<Service>& service) {
    return dynamic_cast<Expected*>(service.get()) != nullptr;
}

Environment environment() {
    Environment environment;
    environment.folders.configHome = "/home/ada/.config";
    return environment;
}

void expectXdgLoginItem(const Platform& platform) {
    ASSERT_TRUE(is<XdgLoginItem>(platform.loginItem));
    EXPECT_EQ(static_cast<XdgLoginItem&>(*platform.loginItem).file(),
              "/home/ada/.config/autostart/dustlyn.desktop");
}

TEST(PlatformForSession, anXServerGetsTheX11Services) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const Platform platform = Platform::forSession(environment());
    EXPECT_TRUE(is<QtScreens>(platform.screens));
    EXPECT_TRUE(is<X11InputMonitor>(platform.input));
    EXPECT_TRUE(is<X11DragMonitor>(platform.drag));
    EXPECT_TRUE(is<X11ActiveWindow>(platform.activeWindow));
    EXPECT_TRUE(is<X11HotKey>(platform.hotKey));
    EXPECT_TRUE(is<StatusNotifierTray>(platform.tray));
    EXPECT_TRUE(is<FreedesktopFileBrowser>(platform.fileBrowser));
    EXPECT_TRUE(is<X11PanelWindowSystem>(platform.panel));
    expectXdgLoginItem(platform);
}

// Checked in a process of its own on Qt's offscreen platform, which this test starts.
TEST(PlatformForSession, otherPlatformsGetNullServicesButTheLoginItem) {
    if (QGuiApplication::platformName() != "offscreen") {
        QProcess child;
        auto variables = QProcessEnvironment::systemEnvironment();
        variables.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(variables);
        child.start(
            QCoreApplication::applicationFilePath(),
            {"--gtest_filter=PlatformForSession.otherPlatformsGetNullServicesButTheLoginItem"});
        ASSERT_TRUE(child.waitForFinished(30'000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        return;
    }
    const Platform platform = Platform::forSession(environment());
    EXPECT_TRUE(is<NullScreens>(platform.screens));
    EXPECT_TRUE(is<NullInputMonitor>(platform.input));
    EXPECT_TRUE(is<NullDragMonitor>(platform.drag));
    EXPECT_TRUE(is<NullActiveWindow>(platform.activeWindow));
    EXPECT_TRUE(is<NullHotKey>(platform.hotKey));
    EXPECT_TRUE(is<NullTrayIcon>(platform.tray));
    EXPECT_TRUE(is<NullFileBrowser>(platform.fileBrowser));
    EXPECT_TRUE(is<NullPanelWindowSystem>(platform.panel));
    expectXdgLoginItem(platform);
}

} // namespace
} // namespace dustlyn

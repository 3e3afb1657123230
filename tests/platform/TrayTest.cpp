#include "app/platform/dbus/DBusMenuTypes.h"
#include "app/platform/dbus/StatusNotifierTray.h"
#include "tests/platform/support/BusServices.h"
#include "tests/platform/support/Desktop.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using testing::spinUntil;

class TrayTest : public ::testing::Test {
protected:
    // A picture whose left half is opaque red and right half clear.
    void show() {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter(&image).fillRect(0, 0, 8, 16, Qt::red);
        tray.show(QIcon(QPixmap::fromImage(image)), "Dustlyn", {});
    }

    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments) {
        auto message = QDBusMessage::createMethodCall(tray.serviceName(), path, interface, method);
        message.setArguments(arguments);
        // The callee lives on this very thread: the event loop runs until the answer is there.
        QDBusPendingCall pending = watcher->bus().asyncCall(message);
        spinUntil([&] { return pending.isFinished(); });
        const QDBusMessage reply = pending.reply();
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply;
    }

    QVariant property(const QString& name) {
        const QDBusMessage reply = call("/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                        "Get", {"org.kde.StatusNotifierItem", name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    std::optional<testing::StatusNotifierWatcherService> watcher;
    StatusNotifierTray tray{QDBusConnection::sessionBus()};
    int opened = 0;
};

// The menu's entries, read and clicked, are checked with the real application's menu in
// tests/desktop.
TEST_F(TrayTest, aPanelReadsTheItemAndActivatesIt) {
    watcher.emplace();
    tray.onActivate = [this] { ++opened; };
    show();
    ASSERT_TRUE(spinUntil([&] { return watcher->items == QStringList{tray.serviceName()}; }));
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {10, 10});
    EXPECT_TRUE(spinUntil([&] { return opened == 1; }));

    // ARGB in network byte order.
    const auto icons = qdbus_cast<SniIconList>(property("IconPixmap"));
    ASSERT_FALSE(icons.isEmpty());
    ASSERT_EQ(icons.front().pixels.size(), 16 * 16 * 4);
    EXPECT_EQ(icons.front().pixels.mid(0, 4), QByteArray("\xff\xff\x00\x00", 4)); // opaque red
    EXPECT_EQ(icons.front().pixels.mid(15 * 4, 4), QByteArray(4, '\0'));          // clear
    EXPECT_EQ(qdbus_cast<SniToolTip>(property("ToolTip")).title, "Dustlyn");

    tray.hide();
    EXPECT_FALSE(watcher->bus().interface()->isServiceRegistered(tray.serviceName()).value());
}

// A panel started after Dustlyn, or restarted, gets the item too.
TEST_F(TrayTest, registersWithEachWatcherThatAppears) {
    show();
    for (const char* connection : {"first-watcher", "second-watcher"}) {
        watcher.emplace(connection);
        ASSERT_TRUE(spinUntil([&] { return watcher->items == QStringList{tray.serviceName()}; }));
        watcher.reset();
    }
}

// Without a StatusNotifier watcher, Qt's own item docks into an XEmbed system tray.
TEST_F(TrayTest, withoutAWatcherTheItemDocksInAnXEmbedTray) {
    testing::XcbClient trayHost;
    trayHost.own("_NET_SYSTEM_TRAY_S0", trayHost.createWindow({0, 0, 1, 1}, false));
    show();
    const xcb_atom_t opcode = trayHost.atom("_NET_SYSTEM_TRAY_OPCODE");
    EXPECT_TRUE(spinUntil([&] {
        trayHost.pump();
        return std::count(trayHost.messages.begin(), trayHost.messages.end(), opcode) > 0;
    }));
}

} // namespace
} // namespace dustlyn

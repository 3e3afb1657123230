#include "app/platform/dbus/DBusMenuTypes.h"
#include "app/platform/dbus/StatusNotifierTray.h"
#include "tests/platform/support/BusServices.h"
#include "tests/platform/support/Desktop.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using testing::callAndWait;
using testing::waitFor;

// Left half opaque red, right half clear.
QIcon halfRedIcon() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgba(255, 0, 0, 255));
    }
    return QIcon(QPixmap::fromImage(image));
}

class TrayTest : public ::testing::Test {
protected:
    void show() {
        tray.show(halfRedIcon(), "Dustlyn",
                  {{"Open Dustlyn", "", [this] { ++opened; }},
                   {"Settings…", "Ctrl+,", [this] { ++settings; }},
                   {"", "", {}},
                   {"Quit Dustlyn", "Ctrl+Q", [this] { ++quit; }}});
    }

    QDBusMessage callItem(QDBusConnection bus, const QString& path, const QString& interface,
                          const QString& method, const QVariantList& arguments) {
        auto call = QDBusMessage::createMethodCall(tray.serviceName(), path, interface, method);
        call.setArguments(arguments);
        return callAndWait(bus, call);
    }

    QVariant property(QDBusConnection bus, const QString& name) {
        const QDBusMessage reply =
            callItem(bus, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                     {"org.kde.StatusNotifierItem", name});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    StatusNotifierTray tray{QDBusConnection::sessionBus()};
    int opened = 0;
    int settings = 0;
    int quit = 0;
};

TEST_F(TrayTest, registersWithTheWatcherAndHostsReadItsMenu) {
    testing::StatusNotifierWatcherService watcher;
    show();
    ASSERT_TRUE(waitFor([&] { return tray.registeredWithWatcher(); }));
    EXPECT_EQ(watcher.items, QStringList{tray.serviceName()});
    EXPECT_EQ(property(watcher.bus(), "Menu").value<QDBusObjectPath>().path(), "/MenuBar");

    const QDBusMessage reply = callItem(watcher.bus(), "/MenuBar", "com.canonical.dbusmenu",
                                        "GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const auto layout = qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1));
    struct Entry {
        QString type, label;
        QList<QStringList> shortcut;
        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> entries;
    for (const auto& child : layout.children) {
        entries.push_back({child.properties.value("type").toString(),
                           child.properties.value("label").toString(),
                           qdbus_cast<QList<QStringList>>(child.properties.value("shortcut"))});
    }
    const std::vector<Entry> expected{{"", "Open Dustlyn", {}},
                                      {"", "Settings…", {{"Control", ","}}},
                                      {"separator", "", {}},
                                      {"", "Quit Dustlyn", {{"Control", "Q"}}}};
    EXPECT_TRUE(entries == expected);
}

TEST_F(TrayTest, aClickedMenuEntryAndAPlainClickCallTheirActions) {
    testing::StatusNotifierWatcherService watcher;
    tray.onActivate = [this] { ++opened; };
    show();
    ASSERT_TRUE(waitFor([&] { return tray.registeredWithWatcher(); }));
    const QVariant data = QVariant::fromValue(QDBusVariant(0));
    EXPECT_EQ(callItem(watcher.bus(), "/MenuBar", "com.canonical.dbusmenu", "Event",
                       {2, "clicked", data, 0u})
                  .type(),
              QDBusMessage::ReplyMessage);
    EXPECT_TRUE(waitFor([&] { return settings == 1; }));
    callItem(watcher.bus(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
             {10, 10});
    EXPECT_TRUE(waitFor([&] { return opened == 1; }));
    EXPECT_EQ(quit, 0);
}

TEST_F(TrayTest, thePictureIsSentAsArgbInNetworkByteOrder) {
    testing::StatusNotifierWatcherService watcher;
    show();
    ASSERT_TRUE(waitFor([&] { return tray.registeredWithWatcher(); }));
    const auto icons = qdbus_cast<SniIconList>(property(watcher.bus(), "IconPixmap"));
    ASSERT_FALSE(icons.isEmpty());
    const SniIcon& smallest = icons.front();
    ASSERT_EQ(smallest.width, 16);
    ASSERT_EQ(smallest.pixels.size(), 16 * 16 * 4);
    EXPECT_EQ(smallest.pixels.mid(0, 4), QByteArray("\xff\xff\x00\x00", 4)); // opaque red
    EXPECT_EQ(smallest.pixels.mid(15 * 4, 4), QByteArray(4, '\0'));          // clear
    const auto toolTip = qdbus_cast<SniToolTip>(property(watcher.bus(), "ToolTip"));
    EXPECT_EQ(toolTip.title, "Dustlyn");
}

// A panel started after Dustlyn, or restarted, gets the item too.
TEST_F(TrayTest, registersAgainWhenAWatcherAppearsLater) {
    show();
    EXPECT_TRUE(tray.visible());
    EXPECT_FALSE(tray.registeredWithWatcher());
    {
        testing::StatusNotifierWatcherService watcher("first-watcher");
        ASSERT_TRUE(waitFor([&] { return watcher.items == QStringList{tray.serviceName()}; }));
    }
    ASSERT_TRUE(waitFor([&] { return !tray.registeredWithWatcher(); }));
    testing::StatusNotifierWatcherService restarted("second-watcher");
    EXPECT_TRUE(waitFor([&] { return restarted.items == QStringList{tray.serviceName()}; }));
}

// Without a StatusNotifier watcher, Qt's own item docks into an XEmbed system tray.
TEST_F(TrayTest, withoutAWatcherTheItemDocksInAnXEmbedTray) {
    testing::XcbClient trayHost;
    const xcb_window_t manager = trayHost.createWindow({0, 0, 1, 1}, false);
    trayHost.own("_NET_SYSTEM_TRAY_S0", manager);
    xcb_client_message_event_t announce{};
    announce.response_type = XCB_CLIENT_MESSAGE;
    announce.format = 32;
    announce.window = trayHost.root();
    announce.type = trayHost.atom("MANAGER");
    announce.data.data32[1] = trayHost.atom("_NET_SYSTEM_TRAY_S0");
    announce.data.data32[2] = manager;
    xcb_send_event(trayHost.xcb(), 0, trayHost.root(), XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&announce));
    trayHost.sync();

    show();
    EXPECT_FALSE(tray.registeredWithWatcher());
    const xcb_atom_t opcode = trayHost.atom("_NET_SYSTEM_TRAY_OPCODE");
    EXPECT_TRUE(waitFor([&] {
        trayHost.pump();
        return std::count(trayHost.messages().begin(), trayHost.messages().end(), opcode) > 0;
    }));
}

TEST_F(TrayTest, hidingTakesTheItemOffTheBus) {
    testing::StatusNotifierWatcherService watcher;
    show();
    ASSERT_TRUE(waitFor([&] { return tray.registeredWithWatcher(); }));
    tray.hide();
    EXPECT_FALSE(tray.visible());
    EXPECT_FALSE(watcher.bus().interface()->isServiceRegistered(tray.serviceName()).value());
}

} // namespace
} // namespace dustlyn

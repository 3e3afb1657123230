#include "tests/platform/support/BusServices.h"

#include "tests/platform/support/Desktop.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>

#include <stdexcept>

namespace dustlyn::testing {

namespace {

QDBusConnection privateConnection(const QString& name) {
    auto bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    if (!bus.isConnected())
        throw std::runtime_error("no session bus: " + bus.lastError().message().toStdString());
    return bus;
}

} // namespace

QDBusMessage callAndWait(QDBusConnection bus, const QDBusMessage& call) {
    QDBusPendingCall pending = bus.asyncCall(call);
    waitFor([&] { return pending.isFinished(); });
    return pending.reply();
}

StatusNotifierWatcherService::StatusNotifierWatcherService(const QString& connectionName)
    : bus_(privateConnection(connectionName)) {
    bus_.registerObject("/StatusNotifierWatcher", this,
                        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    if (!bus_.registerService("org.kde.StatusNotifierWatcher"))
        throw std::runtime_error("cannot own org.kde.StatusNotifierWatcher");
}

StatusNotifierWatcherService::~StatusNotifierWatcherService() {
    bus_.unregisterService("org.kde.StatusNotifierWatcher");
    bus_.unregisterObject("/StatusNotifierWatcher");
    QDBusConnection::disconnectFromBus(bus_.name());
}

void StatusNotifierWatcherService::RegisterStatusNotifierItem(const QString& service) {
    items << service;
}

void StatusNotifierWatcherService::RegisterStatusNotifierHost(const QString&) {}

FileManagerService::FileManagerService(bool fails)
    : bus_(privateConnection("file-manager")), fails_(fails) {
    bus_.registerObject("/org/freedesktop/FileManager1", this, QDBusConnection::ExportAllSlots);
    if (!bus_.registerService("org.freedesktop.FileManager1"))
        throw std::runtime_error("cannot own org.freedesktop.FileManager1");
}

FileManagerService::~FileManagerService() {
    bus_.unregisterService("org.freedesktop.FileManager1");
    bus_.unregisterObject("/org/freedesktop/FileManager1");
    QDBusConnection::disconnectFromBus(bus_.name());
}

void FileManagerService::ShowItems(const QStringList& uris, const QString&,
                                   const QDBusMessage& message) {
    if (fails_) {
        message.setDelayedReply(true);
        bus_.send(message.createErrorReply(QDBusError::Failed, "cannot show the folder"));
        return;
    }
    shown << uris;
}

} // namespace dustlyn::testing

#include "tests/platform/support/BusServices.h"

#include <stdexcept>

namespace dustlyn::testing {

BusService::BusService(const QString& connection, QString service, QString path)
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection)),
      service_(std::move(service)), path_(std::move(path)) {}

// Once the object is whole, so that the bus sees its slots.
void BusService::publish() {
    bus_.registerObject(path_, this, QDBusConnection::ExportAllSlots);
    if (!bus_.registerService(service_))
        throw std::runtime_error("cannot own " + service_.toStdString() + ": " +
                                 bus_.lastError().message().toStdString());
}

BusService::~BusService() {
    bus_.unregisterService(service_);
    bus_.unregisterObject(path_);
    QDBusConnection::disconnectFromBus(bus_.name());
}

StatusNotifierWatcherService::StatusNotifierWatcherService(const QString& connection)
    : BusService(connection, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher") {
    publish();
}

FileManagerService::FileManagerService(bool fails)
    : BusService("file-manager", "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1"),
      fails_(fails) {
    publish();
}

void FileManagerService::ShowItems(const QStringList& uris, const QString&,
                                   const QDBusMessage& message) {
    if (fails_) {
        message.setDelayedReply(true);
        bus().send(message.createErrorReply(QDBusError::Failed, "cannot show the folder"));
        return;
    }
    shown << uris;
}

} // namespace dustlyn::testing

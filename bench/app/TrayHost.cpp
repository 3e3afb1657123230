#include "bench/app/TrayHost.h"

#include <QDBusError>

#include <stdexcept>

namespace dustlyn::bench {

namespace {
const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
}

TrayHost::TrayHost()
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("host"))) {
    if (!bus_.isConnected())
        throw std::runtime_error("no session bus: " + bus_.lastError().message().toStdString());
    bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    if (!bus_.registerService(service))
        throw std::runtime_error("cannot own " + service.toStdString());
}

TrayHost::~TrayHost() {
    bus_.unregisterService(service);
    bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    QDBusConnection::disconnectFromBus(bus_.name());
}

void TrayHost::RegisterStatusNotifierItem(const QString& item) {
    items_ << item;
}

void TrayHost::RegisterStatusNotifierHost(const QString&) {}

} // namespace dustlyn::bench

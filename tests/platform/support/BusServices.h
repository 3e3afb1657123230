#pragma once

#include <QDBusConnection>
#include <QDBusError>
#include <QObject>
#include <QStringList>

#include <stdexcept>

namespace dustlyn::testing {

// An object owning a service name on a connection of its own to the test's private
// session bus, as another program's would.
class BusService : public QObject {
public:
    BusService(const QString& connection, QString service, QString path)
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection)),
          service_(std::move(service)), path_(std::move(path)) {}
    ~BusService() override {
        bus_.unregisterService(service_);
        bus_.unregisterObject(path_);
        QDBusConnection::disconnectFromBus(bus_.name());
    }
    QDBusConnection bus() const { return bus_; }

protected:
    // Once the object is whole, so that the bus sees its slots.
    void publish() {
        bus_.registerObject(path_, this, QDBusConnection::ExportAllSlots);
        if (!bus_.registerService(service_))
            throw std::runtime_error("cannot own " + service_.toStdString() + ": " +
                                     bus_.lastError().message().toStdString());
    }

private:
    QDBusConnection bus_;
    QString service_;
    QString path_;
};

// A StatusNotifierWatcher as a panel runs one.
class StatusNotifierWatcherService : public BusService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public:
    explicit StatusNotifierWatcherService(const QString& connection = "watcher")
        : BusService(connection, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher") {
        publish();
    }
    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }
};

// The desktop's file browser, org.freedesktop.FileManager1, recording what it was asked to
// show.
class FileManagerService : public BusService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    FileManagerService()
        : BusService("file-manager", "org.freedesktop.FileManager1",
                     "/org/freedesktop/FileManager1") {
        publish();
    }
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

} // namespace dustlyn::testing

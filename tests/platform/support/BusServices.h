#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace dustlyn::testing {

// An object owning a service name on a connection of its own to the test's private
// session bus, as another program's would.
class BusService : public QObject {
public:
    BusService(const QString& connection, QString service, QString path);
    ~BusService() override;
    QDBusConnection bus() const { return bus_; }

protected:
    void publish();

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
    explicit StatusNotifierWatcherService(const QString& connection = "watcher");
    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }
};

// The desktop's file browser, org.freedesktop.FileManager1, recording what it was asked to
// show; or failing every call, as a broken one would.
class FileManagerService : public BusService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    explicit FileManagerService(bool fails = false);
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId, const QDBusMessage& message);

private:
    bool fails_;
};

} // namespace dustlyn::testing

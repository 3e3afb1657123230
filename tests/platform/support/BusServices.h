#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace dustlyn::testing {

// Sends a call and runs the event loop until its answer is there: the callee may live on
// this very thread, behind another connection.
QDBusMessage callAndWait(QDBusConnection bus, const QDBusMessage& call);

// A StatusNotifierWatcher as a panel runs one, on a connection of its own to the test's
// private session bus.
class StatusNotifierWatcherService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)

public:
    explicit StatusNotifierWatcherService(const QString& connectionName = "watcher");
    ~StatusNotifierWatcherService() override;

    QDBusConnection bus() const { return bus_; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registeredItems() const { return items; }

    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

private:
    QDBusConnection bus_;
};

// The desktop's file browser, org.freedesktop.FileManager1, recording what it was asked to
// show; or failing every call, as a broken one would.
class FileManagerService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    explicit FileManagerService(bool fails = false);
    ~FileManagerService() override;

    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId, const QDBusMessage& message);

private:
    QDBusConnection bus_;
    bool fails_;
};

} // namespace dustlyn::testing

#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

namespace dustlyn::bench {

// The StatusNotifierWatcher a desktop panel runs, so that the programs measured show their
// tray items the way they do on a desktop with a tray. Answers on the caller's thread's
// event loop.
class TrayHost : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    TrayHost(); // throws std::runtime_error without a session bus
    ~TrayHost() override;

    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return items_; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

private:
    QDBusConnection bus_;
    QStringList items_;
};

} // namespace dustlyn::bench

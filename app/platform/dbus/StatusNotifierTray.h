#pragma once

#include "app/platform/TrayIcon.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

#include <memory>

class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;

namespace dustlyn {

class DBusMenuExporter;
class StatusNotifierItemExporter;

// The tray item. Where a StatusNotifier watcher runs (KDE, GNOME with its extension, most
// panels) the item is Dustlyn's own StatusNotifierItem with a dbusmenu, registered with the
// watcher, and registered again whenever a watcher appears later. Qt's QSystemTrayIcon
// decides between StatusNotifier and XEmbed once per process, so it only serves as the
// XEmbed fallback while no watcher is there. Some hosts open the menu on any click, so the
// same menu is also the fallback's context menu.
class StatusNotifierTray final : public TrayIcon {
public:
    explicit StatusNotifierTray(QDBusConnection bus);
    ~StatusNotifierTray() override;

    void show(const QIcon& icon, const QString& toolTip, std::vector<TrayMenuItem> menu) override;
    void hide() override;
    bool visible() const override { return shown_; }

    // The bus name the item is known by, "org.kde.StatusNotifierItem-PID-1".
    QString serviceName() const { return serviceName_; }

private:
    void exportItem();
    void withdrawItem();
    void registerWithWatcher();
    void useFallback();
    void dropFallback();
    void rebuildMenu(const std::vector<TrayMenuItem>& items);

    QDBusConnection bus_;
    QString serviceName_;
    QObject context_; // watchers and queued calls die with the tray
    std::unique_ptr<DBusMenuExporter> menuExporter_;
    std::unique_ptr<StatusNotifierItemExporter> itemExporter_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> fallback_;
    QIcon icon_;
    QString toolTip_;
    bool shown_ = false;
    bool exported_ = false;
    bool registered_ = false;
    bool registering_ = false; // a registration is on its way to the watcher
};

} // namespace dustlyn

#include "app/platform/dbus/StatusNotifierTray.h"

#include "app/platform/dbus/DBusMenuExporter.h"
#include "app/platform/dbus/StatusNotifierItemExporter.h"
#include "app/platform/x11/NativeCoordinates.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QSystemTrayIcon>

#include <unistd.h>

#include <cstdio>

namespace dustlyn {

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
constexpr auto exportAll = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                           QDBusConnection::ExportAllProperties;

// Menus and the XEmbed item are widgets, which exist only in a widgets application.
bool widgetsAvailable() {
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

} // namespace

StatusNotifierTray::StatusNotifierTray(QDBusConnection bus)
    : bus_(std::move(bus)),
      serviceName_(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(::getpid())) {
    registerDBusMenuTypes();
    menuExporter_ = std::make_unique<DBusMenuExporter>();
    itemExporter_ = std::make_unique<StatusNotifierItemExporter>(QDBusObjectPath(menuPath));
    itemExporter_->onActivate = [this] {
        if (onActivate)
            onActivate();
    };
    itemExporter_->onContextMenu = [this](QPoint position) {
        if (menu_)
            menu_->popup(NativeCoordinates::ofApplication().toLogical(position).toPoint());
    };
    if (!bus_.isConnected())
        return;
    watcher_ = std::make_unique<QDBusServiceWatcher>(
        watcherService, bus_,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(watcher_.get(), &QDBusServiceWatcher::serviceRegistered, &context_, [this] {
        if (shown_)
            registerWithWatcher();
    });
    QObject::connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, &context_, [this] {
        registered_ = false;
        if (shown_)
            useFallback();
    });
}

StatusNotifierTray::~StatusNotifierTray() {
    hide();
}

void StatusNotifierTray::show(const QIcon& icon, const QString& toolTip,
                              std::vector<TrayMenuItem> menu) {
    icon_ = icon;
    toolTip_ = toolTip;
    rebuildMenu(menu);
    menuExporter_->setItems(std::move(menu));
    itemExporter_->setIcon(icon);
    itemExporter_->setToolTip(toolTip);
    if (fallback_) {
        fallback_->setIcon(icon);
        fallback_->setToolTip(toolTip);
    }
    if (shown_)
        return;
    shown_ = true;
    exportItem();
    if (exported_ && bus_.interface() && bus_.interface()->isServiceRegistered(watcherService))
        registerWithWatcher();
    else
        useFallback();
}

void StatusNotifierTray::hide() {
    shown_ = false;
    registered_ = false;
    dropFallback();
    withdrawItem();
}

void StatusNotifierTray::exportItem() {
    if (exported_ || !bus_.isConnected())
        return;
    const bool ok = bus_.registerObject(menuPath, menuExporter_.get(), exportAll) &&
                    bus_.registerObject(itemPath, itemExporter_.get(), exportAll) &&
                    bus_.registerService(serviceName_);
    if (!ok) {
        std::fprintf(stderr, "dustlyn: could not offer the tray item on the session bus: %s\n",
                     qPrintable(bus_.lastError().message()));
        bus_.unregisterObject(itemPath);
        bus_.unregisterObject(menuPath);
        return;
    }
    exported_ = true;
}

void StatusNotifierTray::withdrawItem() {
    if (!exported_)
        return;
    bus_.unregisterService(serviceName_);
    bus_.unregisterObject(itemPath);
    bus_.unregisterObject(menuPath);
    exported_ = false;
}

void StatusNotifierTray::registerWithWatcher() {
    exportItem();
    if (!exported_ || registered_ || registering_)
        return;
    registering_ = true;
    auto call = QDBusMessage::createMethodCall(
        watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService,
        QStringLiteral("RegisterStatusNotifierItem"));
    call << serviceName_;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), &context_);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, &context_, [this, pending] {
        pending->deleteLater();
        registering_ = false;
        if (!shown_)
            return;
        if (pending->isError()) {
            std::fprintf(stderr, "dustlyn: the tray did not take the item: %s\n",
                         qPrintable(pending->error().message()));
            useFallback();
            return;
        }
        registered_ = true;
        dropFallback();
    });
}

void StatusNotifierTray::useFallback() {
    if (!shown_ || fallback_ || !widgetsAvailable())
        return;
    fallback_ = std::make_unique<QSystemTrayIcon>(icon_);
    fallback_->setToolTip(toolTip_);
    fallback_->setContextMenu(menu_.get());
    QObject::connect(fallback_.get(), &QSystemTrayIcon::activated, &context_,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && onActivate)
                             onActivate();
                     });
    fallback_->show();
}

void StatusNotifierTray::dropFallback() {
    fallback_.reset();
}

void StatusNotifierTray::rebuildMenu(const std::vector<TrayMenuItem>& items) {
    if (!widgetsAvailable())
        return;
    if (!menu_)
        menu_ = std::make_unique<QMenu>();
    menu_->clear();
    for (const TrayMenuItem& item : items) {
        if (item.title.isEmpty()) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(item.title);
        action->setShortcut(QKeySequence(item.shortcut));
        action->setEnabled(bool(item.action));
        QObject::connect(action, &QAction::triggered, &context_, [callback = item.action] {
            if (callback)
                callback();
        });
    }
}

} // namespace dustlyn

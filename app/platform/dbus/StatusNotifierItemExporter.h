#pragma once

#include "app/platform/dbus/DBusMenuTypes.h"

#include <QDBusObjectPath>
#include <QIcon>
#include <QObject>

#include <functional>

namespace dustlyn {

// The tray item as org.kde.StatusNotifierItem: what a StatusNotifier host reads to draw the
// item (title, pictures, tool tip, the path of its menu) and the clicks it passes back.
class StatusNotifierItemExporter final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyText)
    Q_PROPERTY(QString IconName READ emptyText)
    Q_PROPERTY(dustlyn::SniIconList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(dustlyn::SniIconList OverlayIconPixmap READ noIcons)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(dustlyn::SniIconList AttentionIconPixmap READ noIcons)
    Q_PROPERTY(QString AttentionMovieName READ emptyText)
    Q_PROPERTY(dustlyn::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    StatusNotifierItemExporter(QDBusObjectPath menuPath, QObject* parent = nullptr);

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& toolTip);

    // Called on the main thread after the host's call has been answered.
    std::function<void()> onActivate;
    std::function<void(QPoint position)> onContextMenu;

    // The icon's pictures at the sizes hosts draw, as ARGB32 in network byte order.
    static SniIconList pixmapsOf(const QIcon& icon);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("dustlyn"); }
    QString title() const { return QStringLiteral("Dustlyn"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyText() const { return {}; }
    SniIconList iconPixmap() const { return pixmaps_; }
    SniIconList noIcons() const { return {}; }
    SniToolTip toolTip() const { return {{}, {}, toolTip_, {}}; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return menuPath_; }

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);
    void ProvideXdgActivationToken(const QString& token);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void NewMenu();

private:
    QDBusObjectPath menuPath_;
    SniIconList pixmaps_;
    QString toolTip_;
};

} // namespace dustlyn

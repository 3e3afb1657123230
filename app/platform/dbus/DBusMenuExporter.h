#pragma once

#include "app/platform/TrayIcon.h"
#include "app/platform/dbus/DBusMenuTypes.h"

#include <QDBusContext>
#include <QObject>

#include <vector>

namespace dustlyn {

// The tray item's menu as com.canonical.dbusmenu, which StatusNotifier hosts read to show
// the menu themselves: one root (id 0) whose children are the entries, numbered from 1.
class DBusMenuExporter final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuExporter(QObject* parent = nullptr);

    // Replaces the entries; hosts that show the menu are told to read it again.
    void setItems(std::vector<TrayMenuItem> items);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    // The properties of an entry as the protocol names them ("label", "type", "shortcut").
    static QVariantMap propertiesOf(const TrayMenuItem& item);

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   dustlyn::DBusMenuLayoutItem& layout);
    dustlyn::DBusMenuItemList GetGroupProperties(const QList<int>& ids,
                                                 const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const dustlyn::DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void ItemsPropertiesUpdated(const dustlyn::DBusMenuItemList& updated,
                                const dustlyn::DBusMenuItemKeysList& removed);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    QVariantMap propertiesOf(int id, const QStringList& names) const;
    bool exists(int id) const { return id >= 0 && id <= static_cast<int>(items_.size()); }
    bool trigger(int id, const QString& eventId);

    std::vector<TrayMenuItem> items_;
    uint revision_ = 1;
};

} // namespace dustlyn

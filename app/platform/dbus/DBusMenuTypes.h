#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace dustlyn {

// The structures of the com.canonical.dbusmenu and org.kde.StatusNotifierItem interfaces,
// with their D-Bus marshalling.

// (ia{sv}av): one menu entry with its properties and, as variants, its children.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// (ia{sv}): the properties of one entry.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemList = QList<DBusMenuItem>;

// (ias): the names of properties one entry no longer has.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// (isvu): an event on an entry ("clicked", "hovered", ...).
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

// (iiay): an ARGB32 picture in network byte order.
struct SniIcon {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using SniIconList = QList<SniIcon>;

// (sa(iiay)ss): icon name, icons, title, text.
struct SniToolTip {
    QString iconName;
    SniIconList icons;
    QString title;
    QString text;
};

// Makes the types known to Qt's meta-type system and to QtDBus; call before exporting.
void registerDBusMenuTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);
QDBusArgument& operator<<(QDBusArgument& argument, const SniIcon& icon);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniIcon& icon);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);

} // namespace dustlyn

Q_DECLARE_METATYPE(dustlyn::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(dustlyn::DBusMenuItem)
Q_DECLARE_METATYPE(dustlyn::DBusMenuItemKeys)
Q_DECLARE_METATYPE(dustlyn::DBusMenuEvent)
Q_DECLARE_METATYPE(dustlyn::SniIcon)
Q_DECLARE_METATYPE(dustlyn::SniToolTip)

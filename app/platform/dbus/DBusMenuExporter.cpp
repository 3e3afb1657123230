#include "app/platform/dbus/DBusMenuExporter.h"

#include <QGuiApplication>
#include <QMetaObject>

namespace dustlyn {

namespace {

// dbusmenu marks a mnemonic with "_", so a literal underscore is doubled.
QString label(const QString& title) {
    QString text = title;
    return text.replace(QLatin1Char('_'), QStringLiteral("__"));
}

// "Ctrl+Q" as dbusmenu writes a key combination: [["Control", "Q"]].
QList<QStringList> shortcut(const QString& text) {
    QStringList keys;
    const QStringList parts = text.split(QLatin1Char('+'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString part = parts[i];
        if (part.isEmpty() && i + 1 < parts.size()) { // "Ctrl++": the plus key itself
            keys << QStringLiteral("plus");
            ++i;
            continue;
        }
        if (part == QLatin1String("Ctrl"))
            part = QStringLiteral("Control");
        else if (part == QLatin1String("Meta"))
            part = QStringLiteral("Super");
        keys << part;
    }
    return {keys};
}

} // namespace

DBusMenuExporter::DBusMenuExporter(QObject* parent) : QObject(parent) {}

void DBusMenuExporter::setItems(std::vector<TrayMenuItem> items) {
    items_ = std::move(items);
    ++revision_;
    Q_EMIT LayoutUpdated(revision_, 0);
}

QString DBusMenuExporter::textDirection() const {
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

QVariantMap DBusMenuExporter::propertiesOf(const TrayMenuItem& item) {
    QVariantMap properties;
    if (item.title.isEmpty()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), label(item.title));
    properties.insert(QStringLiteral("enabled"), bool(item.action));
    if (!item.shortcut.isEmpty())
        properties.insert(QStringLiteral("shortcut"), QVariant::fromValue(shortcut(item.shortcut)));
    return properties;
}

QVariantMap DBusMenuExporter::propertiesOf(int id, const QStringList& names) const {
    QVariantMap all;
    if (id == 0)
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    else
        all = propertiesOf(items_[static_cast<std::size_t>(id - 1)]);
    if (names.isEmpty())
        return all;
    QVariantMap wanted;
    for (const QString& name : names) {
        if (all.contains(name))
            wanted.insert(name, all.value(name));
    }
    return wanted;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layout) {
    if (!exists(parentId)) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs,
                           QStringLiteral("no menu entry %1").arg(parentId));
        return revision_;
    }
    layout = {parentId, propertiesOf(parentId, propertyNames), {}};
    if (parentId == 0 && recursionDepth != 0) {
        for (int id = 1; id <= static_cast<int>(items_.size()); ++id)
            layout.children.append({id, propertiesOf(id, propertyNames), {}});
    }
    return revision_;
}

DBusMenuItemList DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                      const QStringList& propertyNames) {
    DBusMenuItemList result;
    for (const int id : ids) {
        if (exists(id))
            result.append({id, propertiesOf(id, propertyNames)});
    }
    return result;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    const QVariantMap properties = exists(id) ? propertiesOf(id, {name}) : QVariantMap();
    if (!properties.contains(name)) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs,
                           QStringLiteral("menu entry %1 has no property %2").arg(id).arg(name));
        return {};
    }
    return QDBusVariant(properties.value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (!exists(id)) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu entry %1").arg(id));
        return;
    }
    trigger(id, eventId);
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events) {
    QList<int> unknown;
    for (const auto& event : events) {
        if (!exists(event.id))
            unknown.append(event.id);
        else
            trigger(event.id, event.eventId);
    }
    return unknown;
}

bool DBusMenuExporter::AboutToShow(int) {
    return false;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    idErrors.clear();
    for (const int id : ids) {
        if (!exists(id))
            idErrors.append(id);
    }
    return {};
}

// The action runs after the reply has gone: it may quit the program or open a window.
bool DBusMenuExporter::trigger(int id, const QString& eventId) {
    if (eventId != QLatin1String("clicked") || id < 1 || !exists(id))
        return false;
    auto action = items_[static_cast<std::size_t>(id - 1)].action;
    if (!action)
        return false;
    QMetaObject::invokeMethod(
        this, [action] { action(); }, Qt::QueuedConnection);
    return true;
}

} // namespace dustlyn

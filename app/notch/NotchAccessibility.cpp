#include "app/notch/NotchAccessibility.h"

#include "app/notch/DropZone.h"
#include "app/notch/FileRow.h"

#include <QAccessibleWidget>

namespace dustlyn {

namespace {

class FileRowAccessible : public QAccessibleWidget {
public:
    explicit FileRowAccessible(FileRow* row) : QAccessibleWidget(row, QAccessible::ListItem) {}

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }

    void doAction(const QString& name) override {
        if (name != showMenuAction()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        auto* row = static_cast<FileRow*>(widget());
        row->showMenu(row->mapToGlobal(QPoint(0, FileRow::height)));
    }
};

QAccessibleInterface* notchInterface(const QString&, QObject* object) {
    if (auto* row = qobject_cast<FileRow*>(object))
        return new FileRowAccessible(row);
    if (auto* zone = qobject_cast<DropZone*>(object))
        return new QAccessibleWidget(zone, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void NotchAccessibility::install() {
    static const bool installed = [] {
        QAccessible::installFactory(notchInterface);
        return true;
    }();
    (void)installed;
}

} // namespace dustlyn

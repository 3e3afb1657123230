#include "app/notch/NotchAccessibility.h"

#include "app/notch/DropZone.h"
#include "app/notch/FileRow.h"
#include "app/notch/NotchTabs.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <array>

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

// One tab of the notch's tab bar: a page tab that says whether it is the selected one
// (Qt's own tab reports the current tab as focused instead), pressed to select it.
class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TabAccessible(NotchTabs* tabs, int index) : tabs_(tabs), index_(index) {}

    bool isValid() const override { return tabs_ && index_ < tabs_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent()->window(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(tabs_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QRect rect() const override {
        const QRect tab = tabs_->tabRect(index_);
        return QRect(tabs_->mapToGlobal(tab.topLeft()), tab.size());
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? tabs_->accessibleTabName(index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        s.selected = tabs_->currentIndex() == index_;
        s.focused = s.selected && tabs_->hasFocus();
        s.invisible = !tabs_->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid())
            tabs_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<NotchTabs> tabs_;
    int index_;
};

class TabsAccessible : public QAccessibleWidget {
public:
    explicit TabsAccessible(NotchTabs* tabs) : QAccessibleWidget(tabs, QAccessible::PageTabList) {}
    ~TabsAccessible() override {
        for (const QAccessible::Id id : ids_)
            if (id != 0)
                QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return static_cast<int>(ids_.size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(
                new TabAccessible(static_cast<NotchTabs*>(widget()), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }
    QString text(QAccessible::Text t) const override {
        const auto* tabs = static_cast<NotchTabs*>(widget());
        return t == QAccessible::Name ? tabs->accessibleTabName(tabs->currentIndex())
                                      : QAccessibleWidget::text(t);
    }

private:
    mutable std::array<QAccessible::Id, 2> ids_{};
};

QAccessibleInterface* notchInterface(const QString&, QObject* object) {
    if (auto* row = qobject_cast<FileRow*>(object))
        return new FileRowAccessible(row);
    if (auto* tabs = qobject_cast<NotchTabs*>(object))
        return new TabsAccessible(tabs);
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

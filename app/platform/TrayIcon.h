#pragma once

#include <QIcon>
#include <QString>

#include <functional>
#include <vector>

namespace dustlyn {

// One entry of the tray item's menu; an entry without a title is a separator.
struct TrayMenuItem {
    QString title;
    QString shortcut; // shown beside the title where the host shows shortcuts, e.g. "Ctrl+Q"
    std::function<void()> action;
};

// The item in the desktop's tray or status area, with its menu.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;

    // Shows the item (again) with this picture, tooltip and menu.
    virtual void show(const QIcon& icon, const QString& toolTip,
                      std::vector<TrayMenuItem> menu) = 0;
    virtual void hide() = 0;
    virtual bool visible() const = 0;

    // A plain (left) click on the item.
    std::function<void()> onActivate;
};

} // namespace dustlyn

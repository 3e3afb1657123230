#include "app/shell/StatusBar.h"

#include "app/brand/TrayLogo.h"

namespace dustlyn {

namespace {

// Most desktop panels are dark; hosts that recolour mask icons follow their own theme.
const QColor trayColor(235, 235, 235);

} // namespace

StatusBar::StatusBar(TrayIcon& tray, std::function<void()> onOpen, std::function<void()> onSettings,
                     std::function<void()> onQuit)
    : tray_(tray), onOpen_(std::move(onOpen)), onSettings_(std::move(onSettings)),
      onQuit_(std::move(onQuit)) {
    tray_.onActivate = [this] { onOpen_(); };
}

StatusBar::~StatusBar() {
    tray_.onActivate = nullptr;
    tray_.hide();
}

void StatusBar::showIcon() {
    if (tray_.visible())
        return;
    tray_.show(TrayLogo::icon(trayColor), QStringLiteral("Dustlyn"),
               {{QStringLiteral("Open Dustlyn"), {}, [this] { onOpen_(); }},
                {QStringLiteral("Settings…"), QStringLiteral("Ctrl+,"), [this] { onSettings_(); }},
                {{}, {}, {}},
                {QStringLiteral("Quit Dustlyn"), QStringLiteral("Ctrl+Q"), [this] { onQuit_(); }}});
}

void StatusBar::removeIcon() {
    tray_.hide();
}

} // namespace dustlyn

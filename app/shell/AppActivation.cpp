#include "app/shell/AppActivation.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

namespace dustlyn {

AppActivation::AppActivation(WindowList windows) : windows_(std::move(windows)) {}

std::vector<WindowPresence> AppActivation::applicationWindows() {
    std::vector<WindowPresence> windows;
    for (const QWidget* widget : QApplication::topLevelWidgets())
        windows.push_back(presenceOf(*widget));
    return windows;
}

WindowPresence AppActivation::presenceOf(const QWidget& window) {
    const Qt::WindowType type = window.windowType();
    const bool framed = !window.windowFlags().testFlag(Qt::FramelessWindowHint);
    return {window.isVisible(), framed && (type == Qt::Window || type == Qt::Dialog)};
}

void AppActivation::settleIfNoWindows() {
    const auto windows = windows_();
    if (std::any_of(windows.begin(), windows.end(),
                    [](const WindowPresence& window) { return window.visible && window.titled; }))
        return;
    policy_ = ActivationPolicy::accessory;
}

} // namespace dustlyn

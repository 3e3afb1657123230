#include "app/settings/SettingsWindowController.h"

#include "app/settings/SettingsView.h"
#include "app/settings/SettingsWindow.h"

#include <QPointer>

namespace dustlyn {

SettingsWindowController::SettingsWindowController(AppModel& model, SettingsServices services,
                                                   QObject* parent)
    : QObject(parent), model_(model), services_(std::move(services)) {}

SettingsWindowController::~SettingsWindowController() {
    if (window_ && window_->isVisible())
        window_->rememberGeometry();
}

void SettingsWindowController::makeWindow() {
    // The view may outlive a callback's owner only in theory; forward through a guard.
    QPointer<SettingsWindowController> self(this);
    view_ = new SettingsView(
        model_, router_, services_,
        [self](bool on) {
            if (self && self->onToggleIcon)
                self->onToggleIcon(on);
        },
        [self] {
            if (self && self->onNotchSettingsChanged)
                self->onNotchSettingsChanged();
        });
    window_ = std::make_unique<SettingsWindow>(view_, services_.geometryFile);
    window_->placeOnScreen();
}

void SettingsWindowController::show(std::optional<SettingsPane> pane) {
    if (pane)
        router_.setPane(*pane);
    if (!window_)
        makeWindow();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace dustlyn

#pragma once

#include "app/settings/SettingsPane.h"
#include "app/settings/SettingsRouter.h"
#include "app/settings/SettingsServices.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace dustlyn {

class AppModel;
class SettingsView;
class SettingsWindow;

// Makes the settings window the first time it is asked for, then shows and hides the
// same window for the rest of the run; the chosen pane survives a close and reopen.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    SettingsWindowController(AppModel& model, SettingsServices services, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // Shows the window (on `pane` when given) and brings it to the front.
    void show(std::optional<SettingsPane> pane = std::nullopt);

    SettingsRouter& router() { return router_; }
    // The window once made, else null.
    SettingsWindow* window() const { return window_.get(); }
    SettingsView* view() const { return view_; }

    // The Overview's "Also show in the menu bar" switch: the shell stores the setting and
    // shows or hides the tray item.
    std::function<void(bool)> onToggleIcon;
    // A notch switch changed: the notch re-reads its settings.
    std::function<void()> onNotchSettingsChanged;

private:
    void makeWindow();

    AppModel& model_;
    SettingsServices services_;
    SettingsRouter router_;
    std::unique_ptr<SettingsWindow> window_;
    SettingsView* view_ = nullptr;
};

} // namespace dustlyn

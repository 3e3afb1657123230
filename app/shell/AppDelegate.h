#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"
#include "app/instance/Environment.h"
#include "app/model/Clock.h"
#include "app/platform/Platform.h"
#include "app/settings/SettingsPane.h"
#include "app/shell/AppActivation.h"
#include "app/shell/HeapRelease.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>

namespace dustlyn {

class AppModel;
class Instance;
class NotchController;
class OnboardingWindowController;
class SettingsWindowController;
class StatusBar;
class ThumbnailCache;

// What the command line asked of the application it starts.
struct LaunchOptions {
    // A demonstration of the notch to start 1.5 s after launch; the model starts at once.
    std::optional<std::string> notchDemo;
    // `dustlyn settings [PANE]` started the application: the settings window opens.
    bool showSettings = false;
    std::optional<SettingsPane> settingsPane;
};

// The desktop application: builds every long-lived object in a fixed order, wires their
// callbacks and owns them for the life of the process. Lives on the main thread of a
// QApplication.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate(Environment environment, LaunchOptions options);
    ~AppDelegate() override;

    // Throws InstanceError when another Dustlyn runs or the lock or socket cannot be made.
    void launch();
    // A second `dustlyn` without a command was started while this one runs: the settings
    // window comes forward on its pane, unless the first-run window is showing.
    void reopen();
    void showSettings(std::optional<SettingsPane> pane);

    AppModel& model();
    NotchController& notch() { return *notch_; }
    const AppActivation& activation() const { return activation_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CommandOutput answer(const CommandLine& line);
    void makeSettings();
    void wireModel();
    void wireSettings();
    void followConfiguration();
    void showIcon(bool show);
    void startOrOnboard();
    void showingWindow();

    Environment environment_;
    LaunchOptions options_;
    Platform platform_;
    std::shared_ptr<LoginItem> loginItem_;
    std::shared_ptr<FileBrowser> fileBrowser_;
    std::shared_ptr<Clock> clock_;
    std::shared_ptr<TimerSource> timers_;
    HeapRelease heapRelease_;
    AppActivation activation_;
    std::unique_ptr<Instance> instance_;
    std::unique_ptr<ThumbnailCache> thumbnails_;
    std::unique_ptr<SettingsWindowController> settings_;
    std::unique_ptr<NotchController> notch_;
    std::unique_ptr<StatusBar> statusBar_;
    std::unique_ptr<OnboardingWindowController> onboarding_;
};

} // namespace dustlyn

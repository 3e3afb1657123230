#pragma once

#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"
#include "app/instance/Environment.h"
#include "app/platform/Platform.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>

namespace dustlyn {

class AppModel;
class Instance;
class NotchController;
class StatusBar;
class ThumbnailCache;

// The desktop application: builds every long-lived object in a fixed order, wires their
// callbacks and owns them for the life of the process. Lives on the main thread of a
// QApplication.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // `notchDemo` names a demonstration of the notch to start 1.5 s after launch.
    AppDelegate(Environment environment, std::optional<std::string> notchDemo);
    ~AppDelegate() override;

    // Throws InstanceError when another Dustlyn runs or the lock or socket cannot be made.
    void launch();
    // A second `dustlyn` without a command was started while this one runs.
    void reopen();

    AppModel& model();
    NotchController& notch() { return *notch_; }

private:
    CommandOutput answer(const CommandLine& line);
    void wireModel();
    void followConfiguration();
    void showIcon(bool show);

    Environment environment_;
    std::optional<std::string> notchDemo_;
    Platform platform_;
    std::unique_ptr<Instance> instance_;
    std::unique_ptr<ThumbnailCache> thumbnails_;
    std::unique_ptr<NotchController> notch_;
    std::unique_ptr<StatusBar> statusBar_;
};

} // namespace dustlyn

#pragma once

#include "app/model/Clock.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace dustlyn {

class AppModel;
class LoginItem;
class NotchController;
class OnboardingView;
class OnboardingWindow;

// The first-run window: shown once by the shell while the onboarding is not complete. The
// model starts at the earliest of leaving the folder step, creating a sample and closing
// the window; finishing marks the onboarding complete, closing early does not.
class OnboardingWindowController : public QObject {
    Q_OBJECT

public:
    // The sample leaves this long after it was made.
    static constexpr double sampleSeconds = 30;

    // `onFinish` is called when the user finished; it must not destroy this controller
    // before control has returned to the event loop.
    OnboardingWindowController(AppModel& model, NotchController& notch, LoginItem& loginItem,
                               std::shared_ptr<Clock> clock, std::function<void()> onFinish,
                               QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    // Makes the window the first time, then brings it to the front.
    void show();
    // The window is on screen.
    bool isOpen() const;
    bool finished() const { return finished_; }
    OnboardingWindow* window() const { return window_.get(); }
    OnboardingView* view() const;

    // Writes a sample picture where new files land, gives it its timer and has the notch
    // peek at it. Returns why it could not, or nothing.
    std::optional<std::string> createSample();

private:
    void finish(bool openAtLogin);
    void windowClosing();

    AppModel& model_;
    NotchController& notch_;
    LoginItem& loginItem_;
    std::shared_ptr<Clock> clock_;
    std::function<void()> onFinish_;
    bool finished_ = false;
    std::unique_ptr<OnboardingWindow> window_;
};

} // namespace dustlyn

#include "app/onboarding/OnboardingWindowController.h"

#include "app/model/AppModel.h"
#include "app/notch/NotchController.h"
#include "app/onboarding/OnboardingView.h"
#include "app/onboarding/OnboardingWindow.h"
#include "app/onboarding/SampleFile.h"
#include "app/platform/LoginItem.h"
#include "core/base/Paths.h"

#include <QPointer>

#include <iostream>

namespace dustlyn {

OnboardingWindowController::OnboardingWindowController(AppModel& model, NotchController& notch,
                                                       LoginItem& loginItem,
                                                       std::shared_ptr<Clock> clock,
                                                       std::function<void()> onFinish,
                                                       QObject* parent)
    : QObject(parent), model_(model), notch_(notch), loginItem_(loginItem),
      clock_(std::move(clock)), onFinish_(std::move(onFinish)) {}

OnboardingWindowController::~OnboardingWindowController() {
    if (window_)
        window_->onClose = nullptr;
}

OnboardingView* OnboardingWindowController::view() const {
    return window_ ? window_->view() : nullptr;
}

bool OnboardingWindowController::isOpen() const {
    return window_ && window_->isVisible();
}

void OnboardingWindowController::show() {
    if (!window_) {
        QPointer<OnboardingWindowController> self(this);
        auto* view = new OnboardingView(
            model_, clock_,
            [self]() -> std::optional<std::string> {
                if (!self)
                    return std::nullopt;
                return self->createSample();
            },
            [self](bool openAtLogin) {
                if (self)
                    self->finish(openAtLogin);
            });
        window_ = std::make_unique<OnboardingWindow>(view);
        window_->onClose = [this] { windowClosing(); };
        window_->placeOnScreen();
    }
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

std::optional<std::string> OnboardingWindowController::createSample() {
    model_.start();
    const auto folder = SampleFile::folder(model_.folders());
    if (!folder)
        return "there is no folder Dustlyn may write in";
    std::string error;
    const auto sample = SampleFile::write(*folder, SampleFile::render(), error);
    if (!sample)
        return error;
    if (!model_.setTimer(*sample, sampleSeconds))
        return "its name cannot be recorded";
    const std::string resolved = resolvePath(*sample).native();
    for (const MatchedFile& file : model_.leaving())
        if (file.url == resolved) {
            notch_.peek({file}, true);
            break;
        }
    return std::nullopt;
}

void OnboardingWindowController::finish(bool openAtLogin) {
    if (openAtLogin) {
        // Starting at login is a convenience the user can set again in the settings; a
        // failure is only told on the terminal.
        try {
            loginItem_.registerItem();
        } catch (const std::exception& error) {
            std::cerr << "dustlyn: could not have Dustlyn open at login: " << error.what() << "\n";
        }
    }
    finished_ = true;
    model_.completeOnboarding();
    if (window_)
        window_->close();
    if (onFinish_)
        onFinish_();
}

void OnboardingWindowController::windowClosing() {
    // Closed before the end: cleaning starts all the same, and the onboarding comes back
    // at the next start.
    if (!finished_)
        model_.start();
}

} // namespace dustlyn

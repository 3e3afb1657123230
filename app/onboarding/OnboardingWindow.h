#pragma once

#include <QWidget>

#include <functional>

namespace dustlyn {

class OnboardingView;

// The first-run window: a fixed 520 × 640 window with a title bar and a close button,
// an ordinary window in the task bar. Closing it only hides it.
class OnboardingWindow : public QWidget {
    Q_OBJECT

public:
    explicit OnboardingWindow(OnboardingView* view, QWidget* parent = nullptr);

    OnboardingView* view() const { return view_; }
    // Told each time the window is about to close, however it is closed.
    std::function<void()> onClose;

    // Centred on the screen the pointer is on, or the primary one.
    void placeOnScreen();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    OnboardingView* view_;
};

} // namespace dustlyn

#pragma once

#include <functional>
#include <vector>

class QWidget;

namespace dustlyn {

// How Dustlyn presents itself: `accessory` is only the notch and the tray item, `regular`
// an application with an ordinary window open (the settings or the first-run window),
// which the task bar lists and which may take the focus.
enum class ActivationPolicy { accessory, regular };

// What the activation rule needs to know of one top-level window.
struct WindowPresence {
    bool visible = false;
    bool titled = false; // has a title bar: an ordinary window or dialog, not a panel or menu

    bool operator==(const WindowPresence&) const = default;
};

// Dustlyn is a regular application while one of its titled windows is visible, and an
// accessory again once the last one has closed. The shell makes it regular when it shows
// a window and settles it after any window closes. On X11 the task bar already follows
// each window's own type (the notch panel never has an entry, the settings and first-run
// windows do), so nothing more is asked of the window system: the policy is the state.
class AppActivation {
public:
    using WindowList = std::function<std::vector<WindowPresence>()>;

    // `windows` lists the application's top-level windows when asked.
    explicit AppActivation(WindowList windows);

    // The application's own top-level widgets.
    static std::vector<WindowPresence> applicationWindows();
    static WindowPresence presenceOf(const QWidget& window);

    ActivationPolicy policy() const { return policy_; }
    void becomeRegular() { policy_ = ActivationPolicy::regular; }
    // Back to accessory unless a titled window is still visible.
    void settleIfNoWindows();

private:
    WindowList windows_;
    ActivationPolicy policy_ = ActivationPolicy::accessory;
};

} // namespace dustlyn

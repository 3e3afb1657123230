#pragma once

#include <QRegion>

#include <functional>

class QWindow;

namespace dustlyn {

// What the window system does for the notch panel beyond what Qt offers: a window that
// floats above others on every workspace without a task-bar entry and without taking the
// focus, lets clicks fall through except over what it draws, and is clipped to its body
// where no compositing manager can show transparency.
class PanelWindowSystem {
public:
    virtual ~PanelWindowSystem() = default;

    // Once, before the window is first shown.
    virtual void preparePanel(QWindow& window) = 0;
    // Pointer input reaches the window only inside `region` (window coordinates); an
    // empty region lets every click fall through.
    virtual void setInputShape(QWindow& window, const QRegion& region) = 0;
    // Without a compositing manager, only `region` of the window is shown at all.
    virtual void setBoundingShape(QWindow& window, const QRegion& region) = 0;
    // Whether a compositing manager shows translucent windows.
    virtual bool compositing() const = 0;
    // Gives the window the keyboard focus (the panel was opened by a key or a click).
    virtual void activate(QWindow& window) = 0;
    // The window stops taking the focus again; if it still has it, the focus goes back to
    // the window that had it before activate(). Nothing to do where activate() did nothing.
    virtual void deactivate(QWindow& window) { (void)window; }

    // Called on the main thread when a compositing manager starts or stops.
    std::function<void()> onCompositingChanged;
};

} // namespace dustlyn

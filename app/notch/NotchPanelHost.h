#pragma once

#include <QRectF>

namespace dustlyn {

// The one window the notch draws in, as the controller drives it: always shown above
// other windows, never activated by being shown, taking the pointer only where told.
class NotchPanelHost {
public:
    virtual ~NotchPanelHost() = default;

    // Moves the panel to `frame` (global coordinates) and redraws it.
    virtual void place(const QRectF& frame) = 0;
    // Shows the panel above other windows without activating it.
    virtual void orderFront() = 0;
    // Pointer input reaches the panel only inside `region` (panel coordinates); clicks
    // anywhere else fall through to the windows below. Empty: every click falls through.
    virtual void setInputRegion(const QRectF& region) = 0;
    // Takes the keyboard, so that Esc and typing reach the panel.
    virtual void makeKey() = 0;
    // Gives the keyboard back to the window that had it.
    virtual void resignKey() = 0;
    virtual bool isKey() const = 0;
};

} // namespace dustlyn

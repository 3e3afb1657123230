#include "app/notch/QuietMode.h"

#include <cmath>

namespace dustlyn {

bool QuietMode::isFullScreen(const QRectF& screenFrame) const {
    const auto window = activeWindow_.current();
    if (!window || window->pid == ownPid_)
        return false;
    if (window->fullScreen)
        return true;
    // Only the size counts, not the position: a window of the screen's exact size on
    // another screen of that size counts too.
    return std::abs(window->bounds.width() - screenFrame.width()) < 1 &&
           std::abs(window->bounds.height() - screenFrame.height()) < 1;
}

bool QuietMode::isQuiet(bool quietWhenBusy, const QRectF& screenFrame) const {
    if (!quietWhenBusy)
        return false;
    if (screens_.mirrored())
        return true;
    return isFullScreen(screenFrame);
}

} // namespace dustlyn

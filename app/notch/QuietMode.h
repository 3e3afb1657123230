#pragma once

#include "app/platform/ActiveWindow.h"
#include "app/platform/Screens.h"

#include <QRectF>

#include <sys/types.h>

namespace dustlyn {

// Whether the notch should stay out of sight: another program is full screen, or the
// screens mirror each other (a presentation).
class QuietMode {
public:
    QuietMode(const Screens& screens, const ActiveWindow& activeWindow, pid_t ownPid)
        : screens_(screens), activeWindow_(activeWindow), ownPid_(ownPid) {}

    // The active window covers a screen of `screenFrame`'s size, or the window manager
    // shows it full screen. The notch never hides for this program's own windows.
    bool isFullScreen(const QRectF& screenFrame) const;
    // `quietWhenBusy` is the user's switch.
    bool isQuiet(bool quietWhenBusy, const QRectF& screenFrame) const;

private:
    const Screens& screens_;
    const ActiveWindow& activeWindow_;
    pid_t ownPid_;
};

} // namespace dustlyn

#pragma once

#include "core/base/Date.h"
#include "core/scan/MatchedFile.h"

#include <cstddef>
#include <vector>

namespace dustlyn {

// Values the faces show, computed from the model and the view model at each redraw; the
// views and the tests share these.
struct NotchDerived {
    static constexpr double countdownWindow = 600; // the pill counts down in the last 10 min
    static constexpr double peekDuration = 4;      // a peek's full progress bar

    // The pill is there for files leaving while the notch is not quiet.
    static bool pillShown(std::size_t leavingCount, bool hidden);
    // 1 when shown and the user wants the pill, else 0.
    static double pillOpacity(std::size_t leavingCount, bool hidden, bool pillEnabled);
    // Seconds until the first file of `leaving` (soonest first) still counting down
    // leaves; infinity when none is.
    static double nextDeadlineRemaining(const std::vector<MatchedFile>& leaving, Date now);
    // The pill shows the remaining time, in the signal colour, instead of the logo.
    static bool countdownActive(bool pillCountdown, double remaining);
    // The peek's progress bar, from 1 (full) to 0; full while the pointer holds the peek.
    static double peekProgress(bool peekHovered, Date peekEndsAt, Date now);
};

} // namespace dustlyn

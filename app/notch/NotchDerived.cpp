#include "app/notch/NotchDerived.h"

#include <algorithm>
#include <limits>

namespace dustlyn {

bool NotchDerived::pillShown(std::size_t leavingCount, bool hidden) {
    return leavingCount > 0 && !hidden;
}

double NotchDerived::pillOpacity(std::size_t leavingCount, bool hidden, bool pillEnabled) {
    return pillShown(leavingCount, hidden) && pillEnabled ? 1.0 : 0.0;
}

double NotchDerived::nextDeadlineRemaining(const std::vector<MatchedFile>& leaving, Date now) {
    const auto counting = std::find_if(leaving.begin(), leaving.end(),
                                       [](const MatchedFile& file) { return !file.isEligible; });
    if (counting == leaving.end())
        return std::numeric_limits<double>::infinity();
    return secondsBetween(now, counting->deadline);
}

bool NotchDerived::countdownActive(bool pillCountdown, double remaining) {
    return pillCountdown && remaining < countdownWindow;
}

double NotchDerived::peekProgress(bool peekHovered, Date peekEndsAt, Date now) {
    if (peekHovered)
        return 1;
    return std::clamp(secondsBetween(now, peekEndsAt) / peekDuration, 0.0, 1.0);
}

} // namespace dustlyn

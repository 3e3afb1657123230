#include "app/model/SweepSchedule.h"

#include <algorithm>

namespace dustlyn {

double SweepSchedule::regularPeriod(double checkInterval) {
    return std::max(std::min(checkInterval, 86400.0), 60.0);
}

std::optional<double> SweepSchedule::deadlineDelay(const ScanReport& scan,
                                                   const std::vector<QuarantinedFile>& quarantined,
                                                   double checkInterval, Date now) {
    std::optional<Date> next;
    const auto consider = [&](Date date) {
        if (date > now && (!next || date < *next))
            next = date;
    };
    // Read in place: a refresh of a folder of many thousand files must not copy them all.
    for (const auto& result : scan.results)
        for (const auto& file : result.files)
            if (!file.isEligible)
                consider(file.deadline);
    for (const auto& file : quarantined)
        if (!file.isExpired)
            consider(file.expiresDate);
    if (!next)
        return std::nullopt;
    const double delay = secondsBetween(now, *next);
    if (delay >= checkInterval)
        return std::nullopt;
    return delay + deadlineSlack;
}

} // namespace dustlyn

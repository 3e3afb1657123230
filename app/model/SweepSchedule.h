#pragma once

#include "core/base/Date.h"
#include "core/quarantine/QuarantinedFile.h"
#include "core/scan/ScanReport.h"

#include <optional>
#include <vector>

namespace dustlyn {

// When the model wakes up on its own.
struct SweepSchedule {
    // Added to the deadline timer's delay so that it fires just after the deadline.
    static constexpr double deadlineSlack = 0.5;

    // The regular timer's period: the configured interval held to one minute .. one day.
    static double regularPeriod(double checkInterval);

    // Seconds until the deadline timer should fire (slack included), or nothing when the
    // earliest future deadline or expiry is not nearer than `checkInterval`.
    static std::optional<double> deadlineDelay(const ScanReport& scan,
                                               const std::vector<QuarantinedFile>& quarantined,
                                               double checkInterval, Date now);
};

} // namespace dustlyn

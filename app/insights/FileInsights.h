#pragma once

#include "core/base/Date.h"

#include <string>

namespace dustlyn {

// Short time texts for file rows.
struct FileInsights {
    // "4:07" below an hour, "2h 05m" below a day, else "3d 4h"; negative counts as 0.
    static std::string countdown(double seconds);
    static void appendCountdown(std::string& out, double seconds);
    // "Today 15:45", "Tomorrow 08:00", "Tue 15:45" within six days, else "Mar 12". For many
    // dates against one moment, ClockPhrase does the same work once.
    static std::string clock(Date date, Date now);
};

} // namespace dustlyn

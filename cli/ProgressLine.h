#pragma once

#include "core/quarantine/MoveProgress.h"

#include <chrono>
#include <functional>
#include <string>

namespace dustlyn {

// The line on a terminal that follows a long sweep: "Moving 1200 of 20000 files (1.2 GB of
// 9.8 GB)", drawn over itself, shown only once the sweep has taken a second and gone when it
// ends. The caller decides that the output is a terminal.
class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;
    using Write = std::function<void(const std::string&)>;

    // The sweep starts now.
    ProgressLine(Now now, Write write);

    void update(const MoveProgress& progress);
    // Takes the line away, if it was shown.
    void finish();

    static std::string text(const MoveProgress& progress);

    static constexpr auto showAfter = std::chrono::seconds(1);
    static constexpr auto redrawEvery = std::chrono::milliseconds(100);

private:
    Now now_;
    Write write_;
    Clock::time_point start_;
    Clock::time_point drawn_;
    bool shown_ = false;
};

} // namespace dustlyn

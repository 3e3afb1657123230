#pragma once

#include "app/model/Clock.h"
#include "app/model/TimerSource.h"
#include "app/platform/InputMonitor.h"
#include "core/scan/MatchedFile.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dustlyn {

// Gathers newly arrived files into one peek: waits for a burst to end, waits while the
// user types, and shows at most one automatic peek every two minutes.
class PeekBatch {
public:
    struct Hooks {
        // The notch may interrupt what it shows now (resting or a toast, and not quiet).
        std::function<bool()> mayPeek;
        // The files still counting down now.
        std::function<std::vector<MatchedFile>()> counting;
        // Shows the peek (never forced).
        std::function<void(std::vector<MatchedFile>)> show;
    };

    static constexpr double gatherDelay = 1.2;
    static constexpr double typingPause = 2.0;
    static constexpr double typingRetry = 0.5;
    static constexpr int maxTypingRetries = 20;
    static constexpr double ration = 120;

    PeekBatch(const Clock& clock, TimerSource& timers, const InputMonitor& input, Hooks hooks)
        : clock_(clock), timers_(timers), input_(input), hooks_(std::move(hooks)) {}

    // Adds the files not already waiting and restarts the gathering delay.
    void add(const std::vector<MatchedFile>& files);
    void flush(int attempt);

    const std::vector<MatchedFile>& pending() const { return pending_; }
    std::optional<Date> lastAutoPeek() const { return lastAutoPeek_; }

private:
    bool rationed(Date now) const;

    const Clock& clock_;
    TimerSource& timers_;
    const InputMonitor& input_;
    Hooks hooks_;
    std::vector<MatchedFile> pending_;
    std::unique_ptr<Timer> flushWork_;
    std::optional<Date> lastAutoPeek_;
};

} // namespace dustlyn

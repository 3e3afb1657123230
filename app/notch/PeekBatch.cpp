#include "app/notch/PeekBatch.h"

#include <algorithm>

namespace dustlyn {

void PeekBatch::add(const std::vector<MatchedFile>& files) {
    for (const auto& file : files) {
        const bool known = std::any_of(pending_.begin(), pending_.end(),
                                       [&](const MatchedFile& p) { return p.url == file.url; });
        if (!known)
            pending_.push_back(file);
    }
    // Files that arrive in quick succession make one peek.
    flushWork_ = timers_.singleShot(gatherDelay, [this] { flush(0); });
}

bool PeekBatch::rationed(Date now) const {
    if (!lastAutoPeek_)
        return false;
    // A clock set back must not silence peeks until it catches up again.
    const double since = secondsBetween(*lastAutoPeek_, now);
    return since >= 0 && since < ration;
}

void PeekBatch::flush(int attempt) {
    if (pending_.empty())
        return;
    if (!hooks_.mayPeek()) {
        // Not held for later: a peek long after the files arrived would only confuse.
        pending_.clear();
        return;
    }
    if (input_.secondsSinceLastKeyPress() < typingPause && attempt < maxTypingRetries) {
        flushWork_ = timers_.singleShot(typingRetry, [this, attempt] { flush(attempt + 1); });
        return;
    }
    const std::vector<MatchedFile> taken = std::exchange(pending_, {});
    const Date now = clock_.now();
    if (rationed(now))
        return;
    // Files kept, timed anew or moved meanwhile are no longer news.
    const auto counting = hooks_.counting();
    std::vector<MatchedFile> shown;
    for (const auto& file : taken) {
        const bool stillCounting =
            std::any_of(counting.begin(), counting.end(),
                        [&](const MatchedFile& c) { return c.url == file.url; });
        if (stillCounting)
            shown.push_back(file);
    }
    if (shown.empty())
        return;
    lastAutoPeek_ = now;
    hooks_.show(std::move(shown));
}

} // namespace dustlyn

#include "app/watcher/Debouncer.h"

namespace dustlyn {

Debouncer::Debouncer(Clock::duration interval)
    : interval_(interval < Clock::duration::zero() ? Clock::duration::zero() : interval) {}

void Debouncer::noteEvent(Clock::time_point now) {
    deadline_ = now + interval_;
}

bool Debouncer::takeDue(Clock::time_point now) {
    if (!deadline_ || now < *deadline_)
        return false;
    deadline_.reset();
    return true;
}

} // namespace dustlyn

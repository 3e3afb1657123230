#include "app/shell/HeapRelease.h"

#include <malloc.h>

namespace dustlyn {

namespace {

// Long enough for what follows a burst (the first sweep after start-up, the panel's closing
// animation) to have run and freed its memory too.
constexpr double quietSeconds = 2;

} // namespace

HeapRelease::HeapRelease(std::shared_ptr<TimerSource> timers) : timers_(std::move(timers)) {}

void HeapRelease::afterWork() {
    pending_ = timers_->singleShot(quietSeconds, [this] {
        pending_.reset();
        ::malloc_trim(0);
    });
}

} // namespace dustlyn

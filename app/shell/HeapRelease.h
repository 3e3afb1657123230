#pragma once

#include "app/model/TimerSource.h"

#include <memory>

namespace dustlyn {

// Gives the system back the memory the heap holds but no longer uses, a moment after a
// burst of work has ended (start-up, the open panel closing): the allocator keeps what was
// freed for reuse, and a program that mostly waits has no use for it.
class HeapRelease {
public:
    explicit HeapRelease(std::shared_ptr<TimerSource> timers);
    HeapRelease(const HeapRelease&) = delete;
    HeapRelease& operator=(const HeapRelease&) = delete;

    // Work that allocated much has just ended: release once things have been quiet a while.
    void afterWork();

private:
    std::shared_ptr<TimerSource> timers_;
    std::unique_ptr<Timer> pending_;
};

} // namespace dustlyn

#pragma once

#include <cstdint>

namespace dustlyn {

// How far a sweep's moves into the quarantine have come.
struct SweepProgress {
    std::int64_t filesDone = 0;
    std::int64_t filesTotal = 0;
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;

    bool finished() const { return filesDone >= filesTotal; }
    bool operator==(const SweepProgress&) const = default;
};

} // namespace dustlyn

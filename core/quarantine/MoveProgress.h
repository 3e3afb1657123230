#pragma once

#include <cstdint>

namespace dustlyn {

// How far a quarantine pass has come: files handled (moved or failed) of all, and their
// sizes as the scan measured them.
struct MoveProgress {
    std::int64_t files = 0;
    std::int64_t total = 0;
    std::int64_t bytes = 0;
    std::int64_t bytesTotal = 0;

    bool finished() const { return files >= total; }
    bool operator==(const MoveProgress&) const = default;
};

} // namespace dustlyn

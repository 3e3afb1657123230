#pragma once

#include <cstdint>

namespace dustlyn {

struct HistoryStats {
    std::int64_t clearedCount = 0;
    std::int64_t clearedSize = 0;
    std::int64_t deletedCount = 0;
    std::int64_t deletedSize = 0;
    std::int64_t restoredCount = 0;

    bool operator==(const HistoryStats&) const = default;
};

} // namespace dustlyn

#pragma once

#include "core/base/Uuid.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace dustlyn {

// What one sweep moved, for the toast (and its Undo).
struct SweepSummary {
    Uuid id; // the sweep's identifier, also the sweepID of its history entries
    std::vector<std::filesystem::path> movedURLs; // where the moved files were
    std::int64_t movedCount = 0;
    std::int64_t movedSize = 0;
    std::optional<std::filesystem::path> sample; // quarantine location of the first moved file

    bool operator==(const SweepSummary&) const = default;
};

// Who asked for a sweep; nothing in the sweep depends on it.
enum class SweepSource {
    regularTimer,
    deadlineTimer,
    folderChange,
    startUp,
    removeNow,
    user,
    everything
};

} // namespace dustlyn

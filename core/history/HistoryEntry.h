#pragma once

#include "core/base/Date.h"
#include "core/base/Uuid.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dustlyn {

// One move into quarantine, deletion from it, or restore out of it.
struct HistoryEntry {
    enum class Kind { quarantined, deleted, restored };

    Uuid id;
    Date date;
    Kind kind = Kind::quarantined;
    std::string originalPath;
    std::string quarantinePath;
    std::int64_t size = 0;
    std::string ruleName;
    std::optional<Uuid> sweepID;

    // The last path component of originalPath.
    std::string fileName() const;

    bool operator==(const HistoryEntry&) const = default;
};

std::string kindText(HistoryEntry::Kind kind);
std::optional<HistoryEntry::Kind> kindFromText(std::string_view text);

// A stored date: exactly the form formatRfc3339 writes, and within what a Date can hold
// (the years 1678 to 2261), since a moment outside that range cannot be kept anyway.
std::optional<Date> storedDate(std::string_view text);

} // namespace dustlyn

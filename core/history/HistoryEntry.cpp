#include "core/history/HistoryEntry.h"

#include <filesystem>

namespace dustlyn {

std::string HistoryEntry::fileName() const {
    return std::filesystem::path(originalPath).filename().native();
}

std::string kindText(HistoryEntry::Kind kind) {
    switch (kind) {
    case HistoryEntry::Kind::quarantined:
        return "quarantined";
    case HistoryEntry::Kind::deleted:
        return "deleted";
    case HistoryEntry::Kind::restored:
        return "restored";
    }
    return "quarantined";
}

std::optional<HistoryEntry::Kind> kindFromText(std::string_view text) {
    if (text == "quarantined")
        return HistoryEntry::Kind::quarantined;
    if (text == "deleted")
        return HistoryEntry::Kind::deleted;
    if (text == "restored")
        return HistoryEntry::Kind::restored;
    return std::nullopt;
}

std::optional<Date> storedDate(std::string_view text) {
    // Date counts nanoseconds in 64 bits: about 292 years either side of 1970.
    if (text.size() < 4 || text.substr(0, 4) < "1678" || text.substr(0, 4) > "2261")
        return std::nullopt;
    return parseRfc3339(text);
}

} // namespace dustlyn

#pragma once

#include "core/base/Date.h"
#include "core/history/HistoryEntry.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace dustlyn {

// The words of the History pane.
struct HistoryText {
    static constexpr std::size_t shownEntries = 300;

    // The last `limit` entries of the history (which is oldest first), newest first.
    static std::vector<const HistoryEntry*> newest(const std::vector<HistoryEntry>& history,
                                                   std::size_t limit = shownEntries);
    // "Moved to quarantine from ~/Desktop · Screenshots", "Deleted after 7 days in
    // quarantine", "Restored to ~/Downloads"; `retention` is today's setting.
    static std::string caption(const HistoryEntry& entry, double retention,
                               const std::filesystem::path& home);
    // When it happened: "Today 15:45" and "Tue 15:45" for the last six days, then
    // "Mar 12", with the year when it is not this year's.
    static std::string time(Date date, Date now);
    // The next moment at which time() may give another text for some date: the next
    // local midnight.
    static Date nextChange(Date now);
};

} // namespace dustlyn

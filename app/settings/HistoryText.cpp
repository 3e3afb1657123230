#include "app/settings/HistoryText.h"

#include "app/insights/FileInsights.h"
#include "core/base/Paths.h"
#include "core/config/DurationText.h"

#include <algorithm>
#include <ctime>

namespace dustlyn {

namespace {

std::tm localTime(Date date) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return local;
}

// The local calendar day as a count of days, for comparing days across months and years.
long dayNumber(const std::tm& local) {
    std::tm noon = local;
    noon.tm_hour = 12;
    noon.tm_min = noon.tm_sec = 0;
    noon.tm_isdst = -1;
    return static_cast<long>(::timegm(&noon) / 86400);
}

std::string format(const std::tm& time, const char* pattern) {
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &time);
    return std::string(buffer, n);
}

} // namespace

std::vector<const HistoryEntry*> HistoryText::newest(const std::vector<HistoryEntry>& history,
                                                     std::size_t limit) {
    std::vector<const HistoryEntry*> shown;
    const std::size_t count = std::min(limit, history.size());
    shown.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        shown.push_back(&history[history.size() - 1 - i]);
    return shown;
}

std::string HistoryText::caption(const HistoryEntry& entry, double retention,
                                 const std::filesystem::path& home) {
    const std::string folder =
        abbreviateHome(std::filesystem::path(entry.originalPath).parent_path(), home);
    switch (entry.kind) {
    case HistoryEntry::Kind::quarantined:
        return "Moved to quarantine from " + folder +
               (entry.ruleName.empty() ? "" : " · " + entry.ruleName);
    case HistoryEntry::Kind::deleted:
        return "Deleted after " + DurationText::longText(retention) + " in quarantine";
    case HistoryEntry::Kind::restored:
        return "Restored to " + folder;
    }
    return {};
}

std::string HistoryText::time(Date date, Date now) {
    const std::tm when = localTime(date);
    const std::tm today = localTime(now);
    // A weekday alone would be ambiguous for anything older than six days.
    if (dayNumber(today) - dayNumber(when) < 6)
        return FileInsights::clock(date, now);
    if (when.tm_year == today.tm_year)
        return format(when, "%b ") + std::to_string(when.tm_mday);
    return format(when, "%b ") + std::to_string(when.tm_mday) + ", " +
           std::to_string(when.tm_year + 1900);
}

Date HistoryText::nextChange(Date now) {
    std::tm midnight = localTime(now);
    midnight.tm_mday += 1;
    midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
    midnight.tm_isdst = -1;
    const std::time_t next = std::mktime(&midnight);
    return next == std::time_t(-1) ? dateAfter(now, 3600)
                                   : std::chrono::system_clock::from_time_t(next);
}

} // namespace dustlyn

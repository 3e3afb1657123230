#include "app/insights/FileInsights.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace dustlyn {

std::string FileInsights::countdown(double seconds) {
    const long long s = std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(seconds) : 0;
    char buffer[48];
    if (s < 3600)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", s / 60, s % 60);
    else if (s < 86400)
        std::snprintf(buffer, sizeof buffer, "%lldh %02lldm", s / 3600, (s % 3600) / 60);
    else
        std::snprintf(buffer, sizeof buffer, "%lldd %lldh", s / 86400, (s % 86400) / 3600);
    return buffer;
}

namespace {

std::tm localTime(Date date) {
    const std::time_t t = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    ::localtime_r(&t, &local);
    return local;
}

std::string format(const std::tm& time, const char* pattern) {
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &time);
    return std::string(buffer, n);
}

bool sameDay(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_yday == b.tm_yday;
}

} // namespace

std::string FileInsights::clock(Date date, Date now) {
    const std::tm when = localTime(date);
    const std::tm today = localTime(now);
    std::tm tomorrow = today;
    tomorrow.tm_mday += 1;
    tomorrow.tm_isdst = -1;
    std::mktime(&tomorrow);
    const std::string time = format(when, "%H:%M");
    if (sameDay(when, today))
        return "Today " + time;
    if (sameDay(when, tomorrow))
        return "Tomorrow " + time;
    if (secondsBetween(now, date) >= 518400)
        return format(when, "%b ") + std::to_string(when.tm_mday);
    return format(when, "%a ") + time;
}

} // namespace dustlyn

#include "app/instance/CommandLine.h"

#include <charconv>
#include <cmath>
#include <ctime>

namespace dustlyn {

std::optional<double> CommandLine::parseDuration(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || ptr == text.data())
        return std::nullopt;
    const std::string unit(ptr, end);
    double scale;
    if (unit.empty() || unit == "s")
        scale = 1;
    else if (unit == "m")
        scale = 60;
    else if (unit == "h")
        scale = 3600;
    else if (unit == "d")
        scale = 86400;
    else if (unit == "w")
        scale = 604800;
    else
        return std::nullopt;
    const double seconds = number * scale;
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 100.0 * 365 * 86400)
        return std::nullopt;
    return seconds;
}

namespace {

bool digits(const std::string& text, std::size_t at, std::size_t count, int& out) {
    if (at + count > text.size())
        return false;
    out = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

std::optional<Date> CommandLine::parseTime(const std::string& text) {
    // YYYY-MM-DD[THH:MM[:SS[.fff]]][Z|±HH:MM]
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
        !digits(text, 5, 2, month) || text[7] != '-' || !digits(text, 8, 2, day))
        return std::nullopt;
    std::size_t at = 10;
    double fraction = 0;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
        if (!digits(text, at + 1, 2, hour) || at + 3 >= text.size() || text[at + 3] != ':' ||
            !digits(text, at + 4, 2, minute))
            return std::nullopt;
        at += 6;
        if (at < text.size() && text[at] == ':') {
            if (!digits(text, at + 1, 2, second))
                return std::nullopt;
            at += 3;
            if (at < text.size() && text[at] == '.') {
                std::size_t end = at + 1;
                while (end < text.size() && text[end] >= '0' && text[end] <= '9')
                    ++end;
                if (end == at + 1)
                    return std::nullopt;
                fraction = std::stod("0" + text.substr(at, end - at));
                at = end;
            }
        }
    }
    std::optional<int> offsetSeconds;
    if (at < text.size()) {
        int oh, om;
        if (text[at] == 'Z' && at + 1 == text.size()) {
            offsetSeconds = 0;
        } else if ((text[at] == '+' || text[at] == '-') && digits(text, at + 1, 2, oh) &&
                   at + 3 < text.size() && text[at + 3] == ':' && digits(text, at + 4, 2, om) &&
                   at + 6 == text.size() && oh <= 23 && om <= 59) {
            offsetSeconds = (text[at] == '-' ? -1 : 1) * (oh * 3600 + om * 60);
        } else {
            return std::nullopt;
        }
    }
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year(year), std::chrono::month(unsigned(month)),
                             std::chrono::day(unsigned(day))};
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 60 || year < 1678 || year > 2261)
        return std::nullopt;
    Date result;
    if (offsetSeconds) {
        result = Date(sys_days(ymd) + hours(hour) + minutes(minute) + seconds(second) -
                      seconds(*offsetSeconds));
    } else {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = second;
        local.tm_isdst = -1;
        const std::time_t t = std::mktime(&local);
        if (t == std::time_t(-1))
            return std::nullopt;
        result = system_clock::from_time_t(t);
    }
    return dateAfter(result, fraction);
}

} // namespace dustlyn

#include "app/instance/CommandLine.h"

#include "core/base/DecimalDigits.h"

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

// The parts of a time as written, before they are checked.
struct TimeParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    double fraction = 0;
    std::optional<int> offsetSeconds; // none: local time
};

bool digits(const std::string& text, std::size_t at, std::size_t count, int& out) {
    return readDecimalDigits(text, at, count, out);
}

// [(T| )HH:MM[:SS[.fff]]] from `at`, which moves past what was read.
bool readClock(const std::string& text, std::size_t& at, TimeParts& parts) {
    if (at >= text.size() || (text[at] != 'T' && text[at] != ' '))
        return true;
    if (!digits(text, at + 1, 2, parts.hour) || at + 3 >= text.size() || text[at + 3] != ':' ||
        !digits(text, at + 4, 2, parts.minute))
        return false;
    at += 6;
    if (at >= text.size() || text[at] != ':')
        return true;
    if (!digits(text, at + 1, 2, parts.second))
        return false;
    at += 3;
    if (at >= text.size() || text[at] != '.')
        return true;
    std::size_t end = at + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
        ++end;
    if (end == at + 1)
        return false;
    parts.fraction = std::stod("0" + text.substr(at, end - at));
    at = end;
    return true;
}

// [Z|±HH:MM] from `at` to the end of the text.
bool readOffset(const std::string& text, std::size_t at, TimeParts& parts) {
    if (at == text.size())
        return true;
    if (text[at] == 'Z' && at + 1 == text.size()) {
        parts.offsetSeconds = 0;
        return true;
    }
    int oh = 0, om = 0;
    if ((text[at] == '+' || text[at] == '-') && digits(text, at + 1, 2, oh) &&
        at + 3 < text.size() && text[at + 3] == ':' && digits(text, at + 4, 2, om) &&
        at + 6 == text.size() && oh <= 23 && om <= 59) {
        parts.offsetSeconds = (text[at] == '-' ? -1 : 1) * (oh * 3600 + om * 60);
        return true;
    }
    return false;
}

std::optional<Date> dateOf(const TimeParts& parts) {
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year(parts.year),
                             std::chrono::month(unsigned(parts.month)),
                             std::chrono::day(unsigned(parts.day))};
    if (!ymd.ok() || parts.hour > 23 || parts.minute > 59 || parts.second > 60 ||
        parts.year < 1678 || parts.year > 2261)
        return std::nullopt;
    if (parts.offsetSeconds)
        return dateAfter(Date(sys_days(ymd) + hours(parts.hour) + minutes(parts.minute) +
                              seconds(parts.second) - seconds(*parts.offsetSeconds)),
                         parts.fraction);
    std::tm local{};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == std::time_t(-1))
        return std::nullopt;
    return dateAfter(system_clock::from_time_t(t), parts.fraction);
}

} // namespace

std::optional<Date> CommandLine::parseTime(const std::string& text) {
    // YYYY-MM-DD[THH:MM[:SS[.fff]]][Z|±HH:MM]
    TimeParts parts;
    if (!digits(text, 0, 4, parts.year) || text.size() < 10 || text[4] != '-' ||
        !digits(text, 5, 2, parts.month) || text[7] != '-' || !digits(text, 8, 2, parts.day))
        return std::nullopt;
    std::size_t at = 10;
    if (!readClock(text, at, parts) || !readOffset(text, at, parts))
        return std::nullopt;
    return dateOf(parts);
}

} // namespace dustlyn

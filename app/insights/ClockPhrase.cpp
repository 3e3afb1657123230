#include "app/insights/ClockPhrase.h"

#include <charconv>

namespace dustlyn {

namespace {

using namespace std::chrono;

std::tm libraryLocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return local;
}

std::string format(const std::tm& time, const char* pattern) {
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &time);
    return std::string(buffer, n);
}

void appendTwoDigits(std::string& out, int value) {
    out += char('0' + value / 10 % 10);
    out += char('0' + value % 10);
}

std::int64_t floorDivide(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

// Seconds since 1970 of a broken-down time read as if it were UTC; nothing for a leap second.
std::optional<std::int64_t> secondsOf(const std::tm& time) {
    if (time.tm_sec > 59)
        return std::nullopt;
    const sys_days day{year(time.tm_year + 1900) / month(unsigned(time.tm_mon + 1)) /
                       std::chrono::day(unsigned(time.tm_mday))};
    return std::int64_t(day.time_since_epoch().count()) * 86400 +
           std::int64_t{time.tm_hour} * 3600 + std::int64_t{time.tm_min} * 60 + time.tm_sec;
}

// The broken-down form of `seconds` since 1970, as the C library computes it for an offset.
std::tm brokenDown(std::int64_t seconds) {
    const std::int64_t days = floorDivide(seconds, 86400);
    const std::int64_t rest = seconds - days * 86400;
    const sys_days day{std::chrono::days(days)};
    const year_month_day date{day};
    std::tm time{};
    time.tm_year = int(date.year()) - 1900;
    time.tm_mon = int(unsigned(date.month())) - 1;
    time.tm_mday = int(unsigned(date.day()));
    time.tm_wday = int(weekday(day).c_encoding());
    time.tm_yday = int((day - sys_days{date.year() / January / 1}).count());
    time.tm_hour = int(rest / 3600);
    time.tm_min = int(rest % 3600 / 60);
    time.tm_sec = int(rest % 60);
    return time;
}

} // namespace

ClockPhrase::ClockPhrase(Date now, Past past) : now_(now), past_(past) {
    const std::tm today = libraryLocalTime(system_clock::to_time_t(now));
    today_ = {today.tm_year, today.tm_yday};
    std::tm tomorrow = today;
    tomorrow.tm_mday += 1;
    tomorrow.tm_isdst = -1;
    std::mktime(&tomorrow);
    tomorrow_ = {tomorrow.tm_year, tomorrow.tm_yday};
    std::tm yesterday = today;
    yesterday.tm_mday -= 1;
    yesterday.tm_isdst = -1;
    std::mktime(&yesterday);
    yesterday_ = {yesterday.tm_year, yesterday.tm_yday};
    std::tm names{};
    for (int day = 0; day < 7; ++day) {
        names.tm_wday = day;
        weekdays_[std::size_t(day)] = format(names, "%a ");
    }
    for (int month = 0; month < 12; ++month) {
        names.tm_mon = month;
        months_[std::size_t(month)] = format(names, "%b ");
    }
}

// The zone's offset when it is the same at both ends of the hour: no zone changes its offset
// twice within an hour, so it then holds throughout. A leap second in the hour, or a change,
// leaves the hour to the C library.
std::optional<std::int64_t> ClockPhrase::offsetThroughout(std::int64_t hourStart) const {
    const auto first = secondsOf(libraryLocalTime(std::time_t(hourStart)));
    const auto last = secondsOf(libraryLocalTime(std::time_t(hourStart + 3599)));
    if (!first || !last || *first - hourStart != *last - (hourStart + 3599))
        return std::nullopt;
    return *first - hourStart;
}

std::tm ClockPhrase::localTime(std::time_t time) const {
    const std::int64_t hourStart = floorDivide(std::int64_t(time), 3600) * 3600;
    if (hourStart != hourStart_) {
        hourStart_ = hourStart;
        hourOffset_ = offsetThroughout(hourStart);
    }
    if (!hourOffset_)
        return libraryLocalTime(time);
    return brokenDown(std::int64_t(time) + *hourOffset_);
}

std::string ClockPhrase::text(Date date) const {
    std::string out;
    append(out, date);
    return out;
}

void ClockPhrase::append(std::string& out, Date date) const {
    const std::tm when = localTime(system_clock::to_time_t(date));
    const Day day{when.tm_year, when.tm_yday};
    const bool past = date < now_;
    if (day == today_ || day == tomorrow_ || (past && past_ == Past::dates && day == yesterday_)) {
        out += day == today_ ? "Today " : day == tomorrow_ ? "Tomorrow " : "Yesterday ";
        appendTime(out, when);
        return;
    }
    // A weekday names a day of the week around now; further away, only a date tells.
    const double away = past ? secondsBetween(date, now_) : secondsBetween(now_, date);
    if ((past && past_ == Past::dates) || away >= 518400) {
        appendDate(out, when);
        if (past && when.tm_year != today_.year) {
            out += ' ';
            char digits[8];
            out.append(digits,
                       std::to_chars(digits, digits + sizeof digits, when.tm_year + 1900).ptr);
        } else if (past && past_ == Past::dates) {
            out += ' ';
            appendTime(out, when);
        }
        return;
    }
    out += weekdays_[std::size_t(when.tm_wday)];
    appendTime(out, when);
}

void ClockPhrase::appendTime(std::string& out, const std::tm& when) {
    appendTwoDigits(out, when.tm_hour);
    out += ':';
    appendTwoDigits(out, when.tm_min);
}

void ClockPhrase::appendDate(std::string& out, const std::tm& when) const {
    out += months_[std::size_t(when.tm_mon)];
    char digits[4];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, when.tm_mday).ptr);
}

} // namespace dustlyn

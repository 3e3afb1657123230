#include "core/base/Date.h"

#include "core/base/DecimalDigits.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace dustlyn {

using namespace std::chrono;

Date dateAfter(Date date, double seconds) {
    // A Date counts nanoseconds in 64 bits (about 292 years either side of 1970); a hand-edited
    // retention or interval far beyond that saturates instead of overflowing.
    constexpr double limit = 9.2e9;
    if (std::isnan(seconds))
        return date;
    const double since = duration<double>(date.time_since_epoch()).count() + seconds;
    if (since >= limit)
        return Date::max();
    if (since <= -limit)
        return Date::min();
    return date + duration_cast<Date::duration>(duration<double>(seconds));
}

double secondsBetween(Date from, Date to) {
    return duration<double>(to - from).count();
}

Date dateFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
    return Date(duration_cast<Date::duration>(std::chrono::seconds(seconds) +
                                              std::chrono::nanoseconds(nanoseconds)));
}

std::int64_t unixSeconds(Date date) {
    return floor<std::chrono::seconds>(date.time_since_epoch()).count();
}

Date wholeSeconds(Date date) {
    return dateFromUnix(unixSeconds(date));
}

Date startOfLocalMonth(Date date) {
    const std::time_t seconds = system_clock::to_time_t(date);
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return Date::min();
    local.tm_mday = 1;
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    const std::time_t start = std::mktime(&local);
    return start == std::time_t(-1) ? Date::min() : system_clock::from_time_t(start);
}

std::string formatRfc3339(Date date) {
    std::string text;
    appendRfc3339(text, date);
    return text;
}

void appendRfc3339(std::string& out, Date date) {
    const auto secs = floor<std::chrono::seconds>(date);
    const auto day = floor<days>(secs);
    const year_month_day ymd{day};
    const hh_mm_ss hms{secs - day};
    const int year = int(ymd.year());
    if (year < 0 || year > 9999) {
        char buffer[40];
        const int n =
            std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ", year,
                          unsigned(ymd.month()), unsigned(ymd.day()), int(hms.hours().count()),
                          int(hms.minutes().count()), int(hms.seconds().count()));
        out.append(buffer, std::size_t(n));
        return;
    }
    // Written digit by digit: a scan listing dates tens of thousands of files.
    char text[20] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0',
                     'T', '0', '0', ':', '0', '0', ':', '0', '0', 'Z'};
    const auto put = [&text](int at, int count, unsigned value) {
        for (int i = at + count - 1; i >= at; --i, value /= 10)
            text[i] = char('0' + value % 10);
    };
    put(0, 4, unsigned(year));
    put(5, 2, unsigned(ymd.month()));
    put(8, 2, unsigned(ymd.day()));
    put(11, 2, unsigned(hms.hours().count()));
    put(14, 2, unsigned(hms.minutes().count()));
    put(17, 2, unsigned(hms.seconds().count()));
    out.append(text, sizeof text);
}

std::optional<Date> parseRfc3339(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SSZ
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    int y, mo, d, h, mi, s;
    if (!readDecimalDigits(text, 0, 4, y) || !readDecimalDigits(text, 5, 2, mo) ||
        !readDecimalDigits(text, 8, 2, d) || !readDecimalDigits(text, 11, 2, h) ||
        !readDecimalDigits(text, 14, 2, mi) || !readDecimalDigits(text, 17, 2, s))
        return std::nullopt;
    const year_month_day ymd{year(y), month(unsigned(mo)), day(unsigned(d))};
    // Only years a Date can hold (it counts nanoseconds since 1970 in 64 bits).
    if (!ymd.ok() || h > 23 || mi > 59 || s > 59 || y < 1678 || y > 2261)
        return std::nullopt;
    return Date(sys_days(ymd) + hours(h) + minutes(mi) + std::chrono::seconds(s));
}

} // namespace dustlyn

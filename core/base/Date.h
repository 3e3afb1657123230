#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dustlyn {

// A moment in time. Durations are double-precision seconds everywhere.
using Date = std::chrono::system_clock::time_point;

Date dateAfter(Date date, double seconds);
// Seconds from `from` to `to` (negative when `to` is earlier).
double secondsBetween(Date from, Date to);
Date dateFromUnix(std::int64_t seconds, std::uint32_t nanoseconds = 0);
// Whole seconds since 1970, truncated toward negative infinity.
std::int64_t unixSeconds(Date date);
// The same moment with its fraction of a second dropped.
Date wholeSeconds(Date date);

// Midnight of the first day of `date`'s month in the local time zone; Date::min() when the
// system cannot tell local time.
Date startOfLocalMonth(Date date);

// "2025-03-01T09:30:00Z": UTC, whole seconds (a fraction is dropped).
std::string formatRfc3339(Date date);
// The same text appended to `out`.
void appendRfc3339(std::string& out, Date date);
// Reads exactly the form formatRfc3339 writes; anything else is no date.
std::optional<Date> parseRfc3339(std::string_view text);

} // namespace dustlyn

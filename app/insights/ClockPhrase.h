#pragma once

#include "core/base/Date.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace dustlyn {

// "Today 15:45", "Tomorrow 08:00", "Tue 15:45" within six days either way, else "Mar 12" (a
// past one in another year "Dec 30 2025"): when a date comes or came, in local time, seen
// from one moment. Where past and coming dates mix in one list, Past::dates makes every
// earlier day read as a date: "Yesterday 09:10", "Mar 2 09:10". Which days are today and tomorrow
// is worked out once (asking the C library to normalise a date makes it read the time zone file
// again), and the offset from UTC once per hour of UTC, so a listing of many thousand rows costs a
// little arithmetic per row. Not for use from two threads at once.
class ClockPhrase {
public:
    enum class Past { weekdays, dates };

    explicit ClockPhrase(Date now, Past past = Past::weekdays);

    std::string text(Date date) const;
    void append(std::string& out, Date date) const;

    // What localtime_r gives for `time`, as far as the phrases need it: the date, weekday,
    // day of the year, hour and minute.
    std::tm localTime(std::time_t time) const;

private:
    struct Day {
        int year = 0;
        int dayOfYear = 0;
        bool operator==(const Day&) const = default;
    };

    std::optional<std::int64_t> offsetThroughout(std::int64_t hourStart) const;
    static void appendTime(std::string& out, const std::tm& when);
    void appendDate(std::string& out, const std::tm& when) const;

    Date now_;
    Past past_;
    Day today_;
    Day tomorrow_;
    Day yesterday_;
    // In the user's language, as strftime's "%a" and "%b" give them.
    std::array<std::string, 7> weekdays_;
    std::array<std::string, 12> months_;
    // The UTC hour last asked about, and the offset that holds all through it, if one does.
    mutable std::int64_t hourStart_ = INT64_MIN;
    mutable std::optional<std::int64_t> hourOffset_;
};

} // namespace dustlyn

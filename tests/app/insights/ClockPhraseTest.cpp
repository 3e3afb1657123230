#include "app/insights/ClockPhrase.h"
#include "app/insights/FileInsights.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace dustlyn {
namespace {

// Sets TZ and the C locale's day and month names for one test, and puts the process's own
// back afterwards.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) : locale_(std::setlocale(LC_TIME, nullptr)) {
        if (const char* before = std::getenv("TZ"))
            before_ = before;
        ::setenv("TZ", zone, 1);
        ::tzset();
        std::setlocale(LC_TIME, "C");
    }
    ~ZoneScope() {
        if (before_)
            ::setenv("TZ", before_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
        std::setlocale(LC_TIME, locale_.c_str());
    }

private:
    std::optional<std::string> before_;
    std::string locale_;
};

std::time_t utc(int year, int month, int day, int hour = 0) {
    using namespace std::chrono;
    return system_clock::to_time_t(sys_days(std::chrono::year(year) / month / day) + hours(hour));
}

std::string fieldsOf(const std::tm& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d yday %d wday %d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_yday, t.tm_wday);
    return text;
}

// The offset is worked out once an hour; every moment must still get the C library's answer,
// across offset changes of a whole hour, half an hour, odd quarters and a leap second.
TEST(ClockPhrase, LocalTimeAgreesWithTheCLibraryEverywhere) {
    const struct {
        const char* zone;
        std::time_t from;
        std::time_t to;
        std::time_t step;
    } cases[] = {
        {"Europe/Berlin", utc(2026, 1, 1), utc(2027, 1, 1), 997},
        {"America/New_York", utc(2026, 3, 1), utc(2026, 11, 10), 613},
        {"Australia/Lord_Howe", utc(2026, 3, 30), utc(2026, 10, 10), 577},
        {"Pacific/Chatham", utc(2026, 3, 30), utc(2026, 10, 10), 577},
        {"Asia/Kathmandu", utc(1985, 12, 31), utc(1986, 1, 2), 61},
        {"America/St_Johns", utc(2026, 10, 31), utc(2026, 11, 3), 59},
        {"right/Europe/Berlin", utc(2016, 12, 31, 22), utc(2017, 1, 1, 2), 1},
        {"UTC", utc(1969, 12, 30), utc(1970, 1, 3), 3001},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.zone);
        const ZoneScope zone(row.zone);
        const ClockPhrase phrase(std::chrono::system_clock::from_time_t(row.from));
        int differences = 0;
        for (std::time_t t = row.from; t < row.to && differences < 5; t += row.step) {
            std::tm expected{};
            ::localtime_r(&t, &expected);
            const std::string want = fieldsOf(expected), got = fieldsOf(phrase.localTime(t));
            if (want != got) {
                ++differences;
                ADD_FAILURE() << "at " << t << ": " << got << " instead of " << want;
            }
        }
    }
}

// The phrase as it was made when every row normalised its own "tomorrow".
std::string referenceClock(Date date, Date now) {
    const auto local = [](Date d) {
        const std::time_t t = std::chrono::system_clock::to_time_t(d);
        std::tm tm{};
        ::localtime_r(&t, &tm);
        return tm;
    };
    const auto format = [](const std::tm& tm, const char* pattern) {
        char buffer[64];
        return std::string(buffer, std::strftime(buffer, sizeof buffer, pattern, &tm));
    };
    const std::tm when = local(date), today = local(now);
    std::tm tomorrow = today;
    tomorrow.tm_mday += 1;
    tomorrow.tm_isdst = -1;
    std::mktime(&tomorrow);
    const std::string time = format(when, "%H:%M");
    if (when.tm_year == today.tm_year && when.tm_yday == today.tm_yday)
        return "Today " + time;
    if (when.tm_year == tomorrow.tm_year && when.tm_yday == tomorrow.tm_yday)
        return "Tomorrow " + time;
    if (secondsBetween(now, date) >= 518400)
        return format(when, "%b ") + std::to_string(when.tm_mday);
    return format(when, "%a ") + time;
}

// Around both of Berlin's clock changes and the turn of a year, seen from moments on either
// side of each: today, tomorrow, weekdays and dates fall where they always fell.
TEST(ClockPhrase, PhrasesAcrossDayBoundariesAndClockChangesStayAsTheyWere) {
    const ZoneScope zone("Europe/Berlin");
    for (const std::time_t around :
         {utc(2026, 3, 29, 1), utc(2026, 10, 25, 1), utc(2026, 12, 31, 23)}) {
        for (std::time_t now = around - 2 * 86400; now <= around + 86400; now += 5407) {
            const Date nowDate = std::chrono::system_clock::from_time_t(now);
            const ClockPhrase phrase(nowDate);
            for (std::time_t date = now - 3600; date <= now + 9 * 86400; date += 1777) {
                const Date when = std::chrono::system_clock::from_time_t(date);
                ASSERT_EQ(phrase.text(when), referenceClock(when, nowDate))
                    << "now " << now << ", date " << date;
            }
        }
    }
    EXPECT_EQ(FileInsights::clock(std::chrono::system_clock::from_time_t(utc(2026, 3, 29, 1)),
                                  std::chrono::system_clock::from_time_t(utc(2026, 3, 28, 22))),
              "Tomorrow 03:00")
        << "02:00 does not exist that night: the clocks go from 01:59 to 03:00";
}

TEST(FileInsights, CountdownTexts) {
    const struct {
        double seconds;
        const char* text;
    } rows[] = {{-5, "0:00"},     {0.9, "0:00"},     {59, "0:59"},      {247, "4:07"},
                {3599, "59:59"},  {3600, "1h 00m"},  {7500, "2h 05m"},  {86399, "23h 59m"},
                {86400, "1d 0h"}, {273600, "3d 4h"}, {1e9, "11574d 1h"}};
    for (const auto& row : rows)
        EXPECT_EQ(FileInsights::countdown(row.seconds), row.text) << row.seconds;
}

} // namespace
} // namespace dustlyn

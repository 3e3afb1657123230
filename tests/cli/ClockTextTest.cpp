#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

// Files whose deadlines (an hour after their modification dates) fall around Berlin's two
// clock changes of 2026, the midnights beside them and the six-day edge of the weekday names.
const std::pair<const char*, const char*> deadlines[] = {
    {"due.txt", "2026-03-28T20:00:00Z"},
    {"today.txt", "2026-03-28T22:45:00Z"},
    {"after-midnight.txt", "2026-03-28T23:30:00Z"},
    {"after-the-jump.txt", "2026-03-29T01:30:00Z"}, // 03:30, the hour from 02:00 skipped
    {"monday.txt", "2026-03-29T22:30:00Z"},
    {"friday.txt", "2026-04-03T21:00:00Z"},
    {"april.txt", "2026-04-04T20:00:00Z"},
    {"first-two-thirty.txt", "2026-10-25T00:30:00Z"},  // 02:30 summer time
    {"second-two-thirty.txt", "2026-10-25T01:30:00Z"}, // 02:30 again, winter time
    {"last-minute.txt", "2026-10-25T22:59:00Z"},
    {"next-monday.txt", "2026-10-25T23:00:00Z"},
};

struct ClockCase {
    const char* at;
    std::vector<std::string> rows; // "HOME" stands for the home folder
};

// The texts the command printed before its listing was made to stream: they must not move,
// except that a day gone by is named by its date.
const ClockCase cases[] = {
    {"2026-03-28T21:30:00Z",
     {"due now     Today 21:00     Old notes   7 bytes  HOME/Desktop/due.txt",
      "in 1h 15m   Today 23:45     Old notes   9 bytes  HOME/Desktop/today.txt",
      "in 2h 00m   Tomorrow 00:30  Old notes  18 bytes  HOME/Desktop/after-midnight.txt",
      "in 4h 00m   Tomorrow 03:30  Old notes  18 bytes  HOME/Desktop/after-the-jump.txt",
      "in 1d 1h    Mon 00:30       Old notes  10 bytes  HOME/Desktop/monday.txt",
      "in 5d 23h   Fri 23:00       Old notes  10 bytes  HOME/Desktop/friday.txt",
      "in 6d 22h   Apr 4           Old notes   9 bytes  HOME/Desktop/april.txt",
      "in 210d 3h  Oct 25          Old notes  20 bytes  HOME/Desktop/first-two-thirty.txt",
      "in 210d 4h  Oct 25          Old notes  21 bytes  HOME/Desktop/second-two-thirty.txt",
      "in 211d 1h  Oct 25          Old notes  15 bytes  HOME/Desktop/last-minute.txt",
      "in 211d 1h  Oct 26          Old notes  15 bytes  HOME/Desktop/next-monday.txt",
      "11 files would leave (152 bytes), 1 due now."}},
    {"2026-10-24T21:30:00Z",
     // Seven months on, the past deadlines read as the dates they were, never as weekdays.
     {"due now    Mar 28 21:00    Old notes   7 bytes  HOME/Desktop/due.txt",
      "due now    Mar 28 23:45    Old notes   9 bytes  HOME/Desktop/today.txt",
      "due now    Mar 29 00:30    Old notes  18 bytes  HOME/Desktop/after-midnight.txt",
      "due now    Mar 29 03:30    Old notes  18 bytes  HOME/Desktop/after-the-jump.txt",
      "due now    Mar 30 00:30    Old notes  10 bytes  HOME/Desktop/monday.txt",
      "due now    Apr 3 23:00     Old notes  10 bytes  HOME/Desktop/friday.txt",
      "due now    Apr 4 22:00     Old notes   9 bytes  HOME/Desktop/april.txt",
      "in 3h 00m  Tomorrow 02:30  Old notes  20 bytes  HOME/Desktop/first-two-thirty.txt",
      "in 4h 00m  Tomorrow 02:30  Old notes  21 bytes  HOME/Desktop/second-two-thirty.txt",
      "in 1d 1h   Tomorrow 23:59  Old notes  15 bytes  HOME/Desktop/last-minute.txt",
      "in 1d 1h   Mon 00:00       Old notes  15 bytes  HOME/Desktop/next-monday.txt",
      "11 files would leave (152 bytes), 7 due now."}},
};

std::vector<std::string> inZone(std::vector<std::string> environment, const std::string& zone) {
    std::erase_if(environment, [](const std::string& entry) { return entry.starts_with("TZ="); });
    environment.push_back("TZ=" + zone);
    return environment;
}

TEST(ScanClock, DayBoundariesAndClockChangesInANamedZoneKeepTheirTexts) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 3600)}}});
    for (const auto& [name, deadline] : deadlines) {
        const fs::path file = home.desktop() / name;
        writeFile(file, name);
        setModificationDate(file, *parseRfc3339(deadline) - std::chrono::hours(1));
    }
    for (const auto& row : cases) {
        SCOPED_TRACE(row.at);
        const ProcessResult result = DustlynProcess::run(
            {"scan", "--at", row.at}, inZone(home.environment(), "Europe/Berlin"));
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        std::string expected;
        for (std::string line : row.rows) {
            if (const auto at = line.find("HOME"); at != std::string::npos)
                line.replace(at, 4, home.home().native());
            expected += line + "\n";
        }
        EXPECT_EQ(result.out, expected);
    }
}

} // namespace
} // namespace dustlyn::testing

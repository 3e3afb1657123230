#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dustlyn::testing {
namespace {

TEST(Scan, JsonHasTheReportsShape) {
    CliHome home;
    const json rule = globRule("*.txt", "~/Desktop", 600);
    home.writeConfig({{"rules", {rule}}});
    makeOldFiles(home.desktop(), 1); // note-0001.txt, an hour old: due
    writeFile(home.desktop() / "other.pdf", "not claimed");

    json report = parseOrDiscard(home.ok({"scan", "--json"}).out);
    json& file = report["results"].at(0)["files"].at(0);
    EXPECT_EQ(utcSeconds(file["deadline"]) - utcSeconds(file["ageBasisDate"]), 600) << file;
    file.erase("deadline");
    file.erase("ageBasisDate");
    EXPECT_EQ(report, json({{"results",
                             {{{"rule", rule},
                               {"folder", "~/Desktop"},
                               {"files",
                                {{{"url", home.desk("note-0001.txt")},
                                  {"size", 13},
                                  {"ruleID", rule["id"]},
                                  {"isEligible", true}}}}}}},
                            {"matchedCount", 1},
                            {"totalSize", 13}}));
}

// Output goes out as it is made; a write that fails must fail the command, not vanish.
TEST(Scan, OutputThatCannotBeWrittenFailsWithTheSystemsReason) {
    CliHome home;
    home.writeRule();
    makeOldFiles(home.desktop(), 3);
    for (const char* line : {"scan", "scan --json"}) {
        SCOPED_TRACE(line);
        const ProcessResult result =
            home.runUnder({"sh", "-c", "exec \"$@\" > /dev/full", "sh"}, wordsOf(line));
        EXPECT_EQ(result.exitCode, 1) << result.describe();
        EXPECT_EQ(result.err, "dustlyn scan: cannot write the output: No space left on device\n");
    }
}

// Files whose deadlines (an hour after their modification dates) fall around Berlin's two
// clock changes of 2026 and the six-day edge of the weekday names, and one whose name is not
// UTF-8, which is left out and counted. Every phrase of the clock is ClockPhrase's own test;
// here the listing's columns, its order and its past dates.
const std::pair<const char*, const char*> deadlines[] = {
    {"due.txt", "2026-03-28T20:00:00Z"},
    {"after-the-jump.txt", "2026-03-29T01:30:00Z"}, // 03:30, the hour from 02:00 skipped
    {"monday.txt", "2026-03-29T22:30:00Z"},
    {"april.txt", "2026-04-04T20:00:00Z"},
    {"first-two-thirty.txt", "2026-10-25T00:30:00Z"},  // 02:30 summer time
    {"second-two-thirty.txt", "2026-10-25T01:30:00Z"}, // 02:30 again, winter time
    {"next-monday.txt", "2026-10-25T23:00:00Z"},
};

struct ClockCase {
    const char* at;
    std::vector<std::string> rows; // "HOME" stands for the home folder
};

// The texts the command printed before its listing was made to stream: they must not move,
// except that a day gone by is named by its date. The first moment is a local time, without
// zone: 22:30 in Berlin.
const ClockCase cases[] = {
    {"2026-03-28T22:30",
     {"due now     Today 21:00     Old notes   7 bytes  HOME/Desktop/due.txt",
      "in 4h 00m   Tomorrow 03:30  Old notes  18 bytes  HOME/Desktop/after-the-jump.txt",
      "in 1d 1h    Mon 00:30       Old notes  10 bytes  HOME/Desktop/monday.txt",
      "in 6d 22h   Apr 4           Old notes   9 bytes  HOME/Desktop/april.txt",
      "in 210d 3h  Oct 25          Old notes  20 bytes  HOME/Desktop/first-two-thirty.txt",
      "in 210d 4h  Oct 25          Old notes  21 bytes  HOME/Desktop/second-two-thirty.txt",
      "in 211d 1h  Oct 26          Old notes  15 bytes  HOME/Desktop/next-monday.txt",
      "7 files would leave (100 bytes), 1 due now."}},
    {"2026-10-24T21:30:00Z",
     // Seven months on, the past deadlines read as the dates they were, never as weekdays.
     {"due now    Mar 28 21:00    Old notes   7 bytes  HOME/Desktop/due.txt",
      "due now    Mar 29 03:30    Old notes  18 bytes  HOME/Desktop/after-the-jump.txt",
      "due now    Mar 30 00:30    Old notes  10 bytes  HOME/Desktop/monday.txt",
      "due now    Apr 4 22:00     Old notes   9 bytes  HOME/Desktop/april.txt",
      "in 3h 00m  Tomorrow 02:30  Old notes  20 bytes  HOME/Desktop/first-two-thirty.txt",
      "in 4h 00m  Tomorrow 02:30  Old notes  21 bytes  HOME/Desktop/second-two-thirty.txt",
      "in 1d 1h   Mon 00:00       Old notes  15 bytes  HOME/Desktop/next-monday.txt",
      "7 files would leave (100 bytes), 4 due now."}},
};

TEST(ScanClock, DayBoundariesAndClockChangesInANamedZoneKeepTheirTexts) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 3600)}}});
    for (const auto& [name, deadline] : deadlines) {
        const fs::path file = home.desktop() / name;
        writeFile(file, name);
        setModificationDate(file, *parseRfc3339(deadline) - std::chrono::hours(1));
    }
    writeFile(home.desktop() / "caf\xe9-latin1.txt", "odd");
    std::vector<std::string> inBerlin = home.environment();
    std::ranges::replace(inBerlin, std::string("TZ=UTC"), std::string("TZ=Europe/Berlin"));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.at);
        const ProcessResult result =
            DustlynProcess({"scan", "--at", row.at}, inBerlin).wait(Clock::now() + 30s);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        std::string expected;
        for (std::string line : row.rows) {
            if (const auto at = line.find("HOME"); at != std::string::npos)
                line.replace(at, 4, home.home().native());
            expected += line + "\n";
        }
        expected +=
            "1 file left alone: the name is not valid UTF-8, so it could not be recorded.\n";
        EXPECT_EQ(result.out, expected);
    }
}

} // namespace
} // namespace dustlyn::testing

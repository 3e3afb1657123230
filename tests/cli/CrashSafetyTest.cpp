#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <functional>
#include <iostream>
#include <map>
#include <set>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = DustlynProcess::Clock;
using namespace std::chrono_literals;

constexpr int fileCount = 1000;

std::size_t countEntries(const fs::path& folder) {
    std::error_code error;
    std::size_t count = 0;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        ++count;
    return count;
}

// Every file exists exactly once, whole: at its origin or in the quarantine, where its
// content says which file it is (a numbered name would mean a collision).
void expectEachFileExactlyOnce(const CliHome& home, const std::vector<std::string>& names) {
    std::map<std::string, int> copies;
    std::size_t damaged = 0;
    for (const auto& name : namesIn(home.desktop())) {
        damaged += readFile(home.desktop() / name) != name;
        ++copies[name];
    }
    for (const auto& name : namesIn(home.quarantine())) {
        const std::string content = readFile(home.quarantine() / name);
        damaged += content != name;
        ++copies[content];
    }
    EXPECT_EQ(damaged, 0u);
    EXPECT_EQ(copies.size(), names.size()) << "no stray files appeared";
    std::size_t wrong = 0;
    for (const auto& name : names)
        if (copies[name] != 1 && wrong++ < 5)
            ADD_FAILURE() << name << " exists " << copies[name] << " times";
    EXPECT_EQ(wrong, 0u);
}

void expectParsesIfPresent(const fs::path& file) {
    if (!fs::exists(file))
        return;
    EXPECT_FALSE(parseOrDiscard(readFile(file)).is_discarded()) << file << " is not JSON";
}

// A moment during the sweep, seen from outside.
struct KillMoment {
    std::string what;
    std::function<bool(const CliHome&)> reached;
};

KillMoment afterMoves(std::size_t count) {
    return {"the quarantine held " + std::to_string(count),
            [count](const CliHome& home) { return countEntries(home.quarantine()) >= count; }};
}

// Starts a headless instance over the due files and kills it with SIGKILL the moment
// `moment` is reached; returns how many files the quarantine held by then.
std::size_t killDuringSweep(const CliHome& home, const KillMoment& moment) {
    const auto instance = home.start({"--headless"});
    const auto giveUp = Clock::now() + 30s;
    bool reached = false;
    while (!reached && Clock::now() < giveUp)
        reached = moment.reached(home);
    instance->sendSignal(SIGKILL);
    const ProcessResult ended = instance->wait(Clock::now() + 20s);
    EXPECT_EQ(ended.signal, SIGKILL) << ended.describe();
    EXPECT_TRUE(reached) << "the sweep never got there\n" << ended.describe();
    return countEntries(home.quarantine());
}

TEST(CrashSafety, AKilledSweepLosesNoFileAndRecordsEveryOrigin) {
    // Killed at the first move, in the middle, once everything has moved, and once the
    // history was written: different windows of the same sweep.
    const std::vector<KillMoment> moments = {
        afterMoves(1),
        afterMoves(400),
        afterMoves(fileCount),
        {"the history file was written",
         [](const CliHome& home) { return fs::exists(home.historyFile()); }},
    };
    for (const auto& moment : moments) {
        SCOPED_TRACE("killed once " + moment.what);
        CliHome home;
        home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
        const auto names = makeOldFiles(home.desktop(), fileCount);

        const std::size_t held = killDuringSweep(home, moment);
        const bool journalLeft = fs::exists(home.supportDirectory() / "sweep-journal.json");
        std::cout << "killed once " << moment.what << ": " << held << " of " << fileCount
                  << " files in quarantine; history file "
                  << (fs::exists(home.historyFile()) ? "present" : "absent") << ", journal "
                  << (journalLeft ? "left behind" : "absent") << "\n";

        expectEachFileExactlyOnce(home, names);
        expectParsesIfPresent(home.configFile());
        expectParsesIfPresent(home.historyFile());

        // The next sweep first records what the killed one moved, then moves the rest.
        const ProcessResult sweep = home.run({"sweep"});
        EXPECT_EQ(sweep.exitCode, 0) << sweep.describe();
        expectEachFileExactlyOnce(home, names);
        EXPECT_TRUE(namesIn(home.desktop()).empty()) << "files left behind";

        const json history = home.readHistory();
        ASSERT_TRUE(history.is_array());
        std::map<std::string, std::string> originOf; // quarantine path -> original path
        std::size_t duplicates = 0;
        for (const auto& entry : history) {
            if (entry["kind"] != "quarantined")
                continue;
            if (!originOf.emplace(entry["quarantinePath"], entry["originalPath"]).second)
                ++duplicates;
        }
        EXPECT_EQ(duplicates, 0u) << "a move recorded twice";
        std::size_t unrecorded = 0;
        for (const auto& name : namesIn(home.quarantine())) {
            const auto quarantined = (home.quarantine() / name).native();
            const auto found = originOf.find(quarantined);
            const std::string expected = (home.desktop() / readFile(quarantined)).native();
            if (found == originOf.end() || found->second != expected) {
                if (unrecorded++ < 5)
                    ADD_FAILURE() << quarantined << " should be recorded as coming from "
                                  << expected;
            }
        }
        EXPECT_EQ(unrecorded, 0u);
        EXPECT_FALSE(fs::exists(home.supportDirectory() / "sweep-journal.json"))
            << "the journal goes once the history holds it";
    }
}

// A file is dated just before its rename, so that one killed after the rename still expires
// on time in quarantine. Killed between the two, the file stays at home with the sweep's
// date; the next sweep must give it its own date back or it would wait a whole rule period.
TEST(CrashSafety, AFileKilledBetweenDatingAndMovingIsStillDueAtTheNextSweep) {
    CliHome home;
    if (!home.canStrace())
        GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 600)}}});
    const auto names = makeOldFiles(home.desktop(), 3);

    // The first rename moves one file; the second is killed after dating another.
    const ProcessResult killed =
        home.runUnder(strace({"inject=renameat2:signal=SIGKILL:when=2"}), {"sweep"});
    EXPECT_NE(killed.exitCode, 0) << killed.describe();
    expectEachFileExactlyOnce(home, names);
    ASSERT_EQ(namesIn(home.quarantine()).size(), 1u);

    const ProcessResult sweep = home.run({"sweep"});
    EXPECT_EQ(sweep.exitCode, 0) << sweep.describe();
    expectEachFileExactlyOnce(home, names);
    EXPECT_TRUE(namesIn(home.desktop()).empty()) << "files left behind";
    std::size_t quarantined = 0;
    for (const auto& entry : home.readHistory())
        quarantined += entry["kind"] == "quarantined";
    EXPECT_EQ(quarantined, names.size());
}

} // namespace
} // namespace dustlyn::testing

#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <map>

namespace dustlyn::testing {
namespace {

constexpr int fileCount = 1000;

// Every file exists exactly once, whole: at its origin or in the quarantine, where its
// content says which file it is (a numbered name would mean a collision).
void expectEachFileExactlyOnce(const CliHome& home, const std::vector<std::string>& names) {
    std::map<std::string, int> copies, once;
    for (const auto& name : names)
        once[name] = 1;
    for (const auto& name : namesIn(home.desktop()))
        ++copies[readFile(home.desktop() / name) == name ? name : "damaged " + name];
    for (const auto& name : namesIn(home.quarantine()))
        ++copies[readFile(home.quarantine() / name)];
    EXPECT_TRUE(copies == once) << "every file exactly once and whole, no stray ones";
}

// Starts a headless instance over the due files and kills it with SIGKILL the moment the
// quarantine holds `moved` files, or with 0 the moment the history file was written.
void killDuringSweep(const CliHome& home, std::ptrdiff_t moved) {
    const auto instance = home.start({"--headless"});
    const auto reached = [&] {
        std::error_code error;
        return moved == 0
                   ? fs::exists(home.historyFile())
                   : std::distance(fs::directory_iterator(home.quarantine(), error), {}) >= moved;
    };
    const auto giveUp = Clock::now() + 30s;
    while (!reached() && Clock::now() < giveUp) {
    }
    instance->sendSignal(SIGKILL);
    const ProcessResult ended = instance->wait(Clock::now() + 20s);
    EXPECT_EQ(ended.signal, SIGKILL) << ended.describe();
    EXPECT_TRUE(reached()) << "the sweep never got there\n" << ended.describe();
}

TEST(CrashSafety, AKilledSweepLosesNoFileAndRecordsEveryOrigin) {
    // Killed at the first move, in the middle, once everything has moved, and once the
    // history was written: different windows of the same sweep.
    for (const std::ptrdiff_t moved : {1, 400, fileCount, 0}) {
        SCOPED_TRACE(moved ? "killed once the quarantine held " + std::to_string(moved)
                           : "killed once the history was written");
        CliHome home;
        home.writeRule();
        const auto names = makeOldFiles(home.desktop(), fileCount);

        killDuringSweep(home, moved);
        expectEachFileExactlyOnce(home, names);
        for (const fs::path& file : {home.configFile(), home.historyFile()})
            EXPECT_TRUE(!fs::exists(file) || !parseOrDiscard(readFile(file)).is_discarded())
                << file;

        // The next sweep first records what the killed one moved, then moves the rest.
        home.ok({"sweep"});
        expectEachFileExactlyOnce(home, names);
        EXPECT_TRUE(namesIn(home.desktop()).empty()) << "files left behind";

        // Each move recorded once, with the origin the file's content names.
        std::map<std::string, std::string> recorded, expected;
        for (const auto& entry : home.readHistory())
            if (entry["kind"] == "quarantined") {
                EXPECT_TRUE(
                    recorded.emplace(entry["quarantinePath"], entry["originalPath"]).second);
            }
        for (const auto& name : namesIn(home.quarantine()))
            expected[home.quar(name)] = home.desk(readFile(home.quarantine() / name));
        EXPECT_TRUE(recorded == expected) << "the history does not hold every origin";
        EXPECT_FALSE(fs::exists(home.supportDirectory() / "sweep-journal.json"))
            << "the journal goes once the history holds it";
    }
}

} // namespace
} // namespace dustlyn::testing

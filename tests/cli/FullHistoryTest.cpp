#include "core/history/HistoryStore.h"
#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

// Earlier sweeps' files, long gone from the quarantine.
std::vector<HistoryEntry> earlierEntries(const fs::path& quarantine, int count) {
    std::vector<HistoryEntry> entries;
    const Uuid sweepID = Uuid::random();
    for (int n = 0; n < count; ++n) {
        const std::string name = "shot " + std::to_string(n) + ".png";
        entries.push_back({Uuid::random(), dateFromUnix(1772355600 + 60 * std::int64_t(n)),
                           HistoryEntry::Kind::quarantined, "/home/ann/Desktop/" + name,
                           (quarantine / name).native(), n, "Screenshots", sweepID});
    }
    return entries;
}

// Sweeps add their entries at the end of a full history without reading it: the cap still
// holds, the oldest entries go first, and the newest sweep can still be undone.
TEST(FullHistory, sweepsIntoAFullHistoryKeepTheCapAndCanBeUndone) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}}});
    const HistoryStore store(home.historyFile(), 5000);
    const auto earlier = earlierEntries(home.quarantine(), 4999);
    store.save(earlier);

    makeOldFiles(home.desktop(), 1);
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 1 file to quarantine (13 bytes):");
    auto stored = store.load();
    ASSERT_EQ(stored.size(), 5000u) << "up to the cap, nothing goes";
    EXPECT_EQ(stored.front(), earlier.front());

    fs::remove_all(home.desktop());
    makeOldFiles(home.desktop(), 3);
    ASSERT_EQ(firstLine(home.run({"sweep"}).out), "Moved 3 files to quarantine (39 bytes):");
    stored = store.load();
    ASSERT_EQ(stored.size(), 5000u);
    EXPECT_EQ(stored.front(), earlier[3]) << "the three oldest went";
    EXPECT_EQ(stored[4996].quarantinePath, (home.quarantine() / "note-0001.txt").native())
        << "the first sweep's entry stays: its file is still in the quarantine";

    const ProcessResult undone = home.run({"undo"});
    EXPECT_EQ(undone.exitCode, 0) << undone.describe();
    EXPECT_EQ(undone.outLines().size(), 3u) << undone.out;
    EXPECT_EQ(namesIn(home.desktop()).size(), 3u);
    EXPECT_TRUE(fs::exists(home.quarantine() / "note-0001.txt")) << "the older sweep stays";
    EXPECT_EQ(store.load().size(), 5000u) << "the restores' entries keep to the cap";
}

} // namespace
} // namespace dustlyn::testing

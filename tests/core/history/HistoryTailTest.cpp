#include "core/history/HistoryStore.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Kind = HistoryEntry::Kind;

HistoryEntry numbered(int n, Kind kind, const fs::path& quarantine) {
    return {Uuid::random(),
            dateFromUnix(1772356500 + 60 * std::int64_t(n)),
            kind,
            "/home/ann/Desktop/file \"" + std::to_string(n) + "\".png",
            (quarantine / ("file " + std::to_string(n) + ".png")).native(),
            n,
            "Screenshots",
            n % 2 ? std::optional<Uuid>(Uuid::random()) : std::nullopt};
}

std::vector<HistoryEntry> numberedEntries(int from, int count, const fs::path& quarantine) {
    std::vector<HistoryEntry> entries;
    for (int n = from; n < from + count; ++n)
        entries.push_back(numbered(n, n % 3 ? Kind::quarantined : Kind::deleted, quarantine));
    return entries;
}

// Appending at the tail leaves exactly the bytes a whole read and write leaves: onto an empty
// array, up to the cap, past it, keeping files still in the quarantine, far over it.
TEST(HistoryTailAppend, writesWhatAReadAndWholeWriteWrites) {
    const struct {
        int stored, added, limit, present; // present: the oldest quarantined entries' files
    } cases[] = {
        {0, 2, 5000, 0}, {4999, 1, 5000, 0}, {4999, 1000, 5000, 0}, {10, 3, 10, 2}, {40, 5, 8, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + " + " + std::to_string(c.added));
        testing::TempDir dir;
        const fs::path quarantine = dir / "Quarantine";
        const auto stored = numberedEntries(0, c.stored, quarantine);
        int present = 0;
        for (const auto& entry : stored)
            if (entry.kind == Kind::quarantined && present++ < c.present)
                testing::writeFile(entry.quarantinePath);
        const auto added = numberedEntries(100000, c.added, quarantine);
        const HistoryStore whole(dir / "whole/history.json", c.limit);
        const HistoryStore tail(dir / "tail/history.json", c.limit);
        whole.save(stored);
        tail.save(stored);
        const auto expected = whole.append(added);
        ASSERT_EQ(tail.appendToTail(added), std::optional<bool>(true));
        EXPECT_EQ(testing::readFile(tail.url()), testing::readFile(whole.url()));
        EXPECT_EQ(tail.load(), expected);
    }
}

// Where only a whole read can say what the file holds, the tail is left alone.
TEST(HistoryTailDecline, declinesFilesItCannotReadAtTheirEnds) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 5);
    const auto added = numberedEntries(10, 1, dir / "Quarantine");
    EXPECT_EQ(store.appendToTail(added), std::nullopt) << "no file";

    store.save(numberedEntries(0, 3, dir / "Quarantine"));
    const std::string sound = testing::readFile(store.url());
    const std::vector<std::pair<const char*, std::string>> odd = {
        {"cut short", sound.substr(0, sound.size() - 9)},
        {"written by hand", "[\n" + sound.substr(1)},
        {"empty", ""},
    };
    for (const auto& [what, bytes] : odd) {
        SCOPED_TRACE(what);
        testing::writeFile(store.url(), bytes);
        EXPECT_FALSE(store.looksWhole());
        EXPECT_EQ(store.appendToTail(added), std::nullopt);
        EXPECT_EQ(testing::readFile(store.url()), bytes);
    }

    // Every old entry keeps a file in the quarantine: only the new ones could make room.
    const auto kept = numberedEntries(0, 5, dir / "Quarantine");
    for (const auto& entry : kept)
        testing::writeFile(entry.quarantinePath);
    std::vector<HistoryEntry> quarantined = kept;
    for (auto& entry : quarantined)
        entry.kind = Kind::quarantined;
    store.save(quarantined);
    EXPECT_TRUE(store.looksWhole());
    EXPECT_EQ(store.appendToTail(added), std::nullopt);
}

} // namespace
} // namespace dustlyn

#include "core/history/PreparedTrim.h"
#include "core/history/HistoryStore.h"
#include "core/history/HistoryTail.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

std::vector<HistoryEntry> entries(int from, int count, const fs::path& quarantine) {
    std::vector<HistoryEntry> made;
    for (int n = from; n < from + count; ++n)
        made.push_back({Uuid::random(), dateFromUnix(1772356500 + 60 * std::int64_t(n)),
                        n % 3 ? HistoryEntry::Kind::quarantined : HistoryEntry::Kind::deleted,
                        "/home/ann/Desktop/file " + std::to_string(n) + ".png",
                        (quarantine / ("file " + std::to_string(n) + ".png")).native(), n,
                        "Screenshots", Uuid::random()});
    return made;
}

struct PreparedCase {
    const char* name;
    int planned;   // the moves the trim was begun for
    int added;     // the entries the moves made
    int present;   // the oldest quarantined entries whose files are still in the quarantine
    bool replaced; // the file was written again between the beginning and the end
    bool finished; // whether the begun trim is the one used
};

class PreparedTrimEnd : public ::testing::TestWithParam<PreparedCase> {};

// Begun or not, used or given up, the file ends as a whole read and write leaves it, and no
// temporary file is left beside it.
TEST_P(PreparedTrimEnd, leavesWhatAWholeWriteLeaves) {
    const PreparedCase& c = GetParam();
    testing::TempDir dir;
    const fs::path quarantine = dir / "Quarantine";
    const int limit = 20;
    auto stored = entries(0, limit, quarantine);
    for (int n = 0; n < c.present; ++n)
        testing::writeFile(stored.at(std::size_t(3 * n + 1)).quarantinePath);
    const HistoryStore whole(dir / "whole/history.json", limit);
    const HistoryStore store(dir / "store/history.json", limit);
    whole.save(stored);
    store.save(stored);

    auto begun = store.prepareTrim(std::size_t(c.planned));
    ASSERT_TRUE(begun);
    if (c.replaced) {
        stored = entries(50, limit, quarantine);
        whole.save(stored);
        store.save(stored);
    }
    const auto added = entries(1000, c.added, quarantine);
    const auto expected = whole.append(added);
    const auto file = HistoryTail::open(store.url());
    ASSERT_TRUE(file);
    EXPECT_EQ(begun->finish(store.url(), HistoryTail::entryStarts(file->bytes), limit,
                            HistoryStore::encode(added)),
              c.finished);
    if (!c.finished) {
        ASSERT_EQ(store.appendToTail(added), std::optional<bool>(true));
    }
    begun.reset();

    EXPECT_EQ(testing::readFile(store.url()), testing::readFile(whole.url()));
    EXPECT_EQ(store.load(), expected);
    std::vector<fs::path> beside;
    for (const auto& item : fs::directory_iterator(store.url().parent_path()))
        beside.push_back(item.path().filename());
    EXPECT_EQ(beside, std::vector<fs::path>{"history.json"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreparedTrimEnd,
    ::testing::Values(PreparedCase{"asPlanned", 5, 5, 0, false, true},
                      PreparedCase{"keepingFilesStillInTheQuarantine", 5, 5, 2, false, true},
                      PreparedCase{"everyOldEntryGoing", 20, 20, 0, false, true},
                      PreparedCase{"fewerMovedThanPlanned", 5, 4, 0, false, false},
                      PreparedCase{"fileWrittenMeanwhile", 5, 5, 0, true, false}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST(PreparedTrimBegin, onlyWhenTheEntriesWouldNotFit) {
    testing::TempDir dir;
    const HistoryStore store(dir / "history.json", 20);
    EXPECT_FALSE(store.prepareTrim(1)) << "no file";
    store.save(entries(0, 15, dir / "Quarantine"));
    EXPECT_FALSE(store.prepareTrim(5));
    EXPECT_TRUE(store.prepareTrim(6));
}

} // namespace
} // namespace dustlyn

#include "tests/app/model/ModelFixture.h"

namespace dustlyn::testing {
namespace {

class HistoryCap : public ModelFixture {};

// The model keeps as many entries as the history store promises, the oldest going first.
TEST_F(HistoryCap, aFullHistoryDropsItsOldestEntryForEachNewOne) {
    saveConfig(baseConfig());
    const HistoryStore store = HistoryStore::inFolder(folders_.supportDirectory());
    std::vector<HistoryEntry> full;
    for (std::int64_t i = 0; i < HistoryStore::defaultLimit; ++i)
        full.push_back({Uuid::random(), dateAfter(start_, -1e6 + double(i)),
                        HistoryEntry::Kind::deleted, "/gone/" + std::to_string(i),
                        "/quarantine/" + std::to_string(i), 1, "", std::nullopt});
    store.save(full);
    makeFile("Desktop/due.png", 120);
    auto model = makeModel();
    model->sweepNow(SweepSource::user);
    const auto kept = store.load();
    ASSERT_EQ(kept.size(), std::size_t(HistoryStore::defaultLimit));
    EXPECT_EQ(kept.front(), full.at(1));
    EXPECT_EQ(kept.back().originalPath, (home_ / "Desktop/due.png").native());
    EXPECT_EQ(model->history(), kept);
}

} // namespace
} // namespace dustlyn::testing

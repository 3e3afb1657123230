#include "core/history/SweepJournal.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Kind = HistoryEntry::Kind;

// A support folder with its history, a watched folder and a quarantine on disk.
struct SweepSetup : ::testing::Test {
    testing::TempDir dir;
    HistoryStore history{dir / "support/history.json", 5000};
    SweepJournal journal = SweepJournal::besideHistory(history);
    fs::path origin = dir / "Desktop";
    fs::path quarantine = dir / "support/Quarantine";
    Uuid sweepID = Uuid::random();
    Date now = *parseRfc3339("2026-03-01T09:15:00Z");

    PlannedMove plan(const std::string& name, std::int64_t size) {
        testing::writeFile(origin / name, std::string(std::size_t(size), 'x'));
        return {origin / name, quarantine / name, "Screenshots", size, std::nullopt};
    }
    // What a sweep does to one file before the crash.
    void move(const PlannedMove& planned) {
        fs::create_directories(fs::path(planned.destination).parent_path());
        fs::rename(planned.original, planned.destination);
    }
    HistoryEntry recorded(const PlannedMove& planned, std::optional<Uuid> sweep) const {
        return {Uuid::random(),      now,          Kind::quarantined, planned.original,
                planned.destination, planned.size, planned.ruleName,  sweep};
    }
};

using SweepJournalFile = SweepSetup;
using SweepJournalReconcile = SweepSetup;

std::vector<std::string> quarantinePaths(const std::vector<HistoryEntry>& entries) {
    std::vector<std::string> paths;
    for (const auto& e : entries)
        paths.push_back(e.quarantinePath);
    return paths;
}

// A sweep with nothing to move still writes one; a missing journal is nothing.
TEST_F(SweepJournalFile, writtenBesideTheHistoryReadBackAndRemoved) {
    EXPECT_EQ(journal.url(), dir / "support/sweep-journal.json");
    EXPECT_FALSE(journal.load());
    EXPECT_TRUE(journal.remove());
    journal.write(sweepID, now, {});
    EXPECT_EQ(journal.load(), (SweepJournal::Contents{sweepID, now, {}}));

    std::vector<PlannedMove> moves = {plan("a/b.png", 3), plan("café \"1\".pdf", 0)};
    // File times carry nanoseconds, and so must the journal to give one back exactly.
    moves[0].modified = dateFromUnix(1700000000, 123456789);
    journal.write(sweepID, now, moves);
    EXPECT_EQ(journal.load(), (SweepJournal::Contents{sweepID, now, moves}));
    EXPECT_TRUE(journal.remove());
    EXPECT_FALSE(fs::exists(journal.url()));

    testing::writeFile(dir / "blocker", "a file, not a folder");
    EXPECT_THROW(SweepJournal(dir / "blocker/sweep-journal.json").write(sweepID, now, {}),
                 FileError);
}

TEST_F(SweepJournalFile, damagedOrForeignContentIsADecodingError) {
    const std::string id = "\"" + sweepID.text() + "\"";
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"not JSON", "journal"},
        {"bad sweepID", "{\"sweepID\":\"x\",\"moves\":[]}"},
        {"size as text", "{\"sweepID\":" + id +
                             ",\"moves\":[{\"originalPath\":\"a\",\"quarantinePath\":\"b\","
                             "\"ruleName\":\"\",\"size\":\"1\"}]}"},
    };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        testing::writeFile(journal.url(), bytes);
        EXPECT_THROW(journal.load(), DecodingError);
    }
}

TEST_F(SweepJournalReconcile, recordsEachMovedFileOnceAndNoneThatStayed) {
    const auto earlier = recorded(plan("old.png", 9), Uuid::random());
    history.save({earlier});
    const auto a = plan("a.png", 10);
    const auto b = plan("sub/b.png", 20);
    const auto stayed = plan("c.png", 30);
    journal.write(sweepID, now, {a, b, stayed});
    move(a);
    move(b);
    const Date later = dateAfter(now, 0.25);

    const auto result = journal.reconcile(history, later);

    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0], earlier);
    for (std::size_t i = 1; i < 3; ++i) {
        HistoryEntry expected = recorded(i == 1 ? a : b, sweepID);
        expected.id = result[i].id;
        expected.date = later;
        EXPECT_EQ(result[i], expected);
    }
    EXPECT_NE(result[1].id, result[2].id);
    EXPECT_FALSE(fs::exists(journal.url()));
    EXPECT_EQ(quarantinePaths(history.load()), quarantinePaths(result));
}

// Twice, as if the journal's removal had been lost to a power cut: nothing is added. An
// entry the sweep already recorded is not added again; the same quarantine name from an older
// sweep is another file's record.
TEST_F(SweepJournalReconcile, entriesAlreadyRecordedAreNotAddedAgain) {
    const auto a = plan("a.png", 10);
    const auto b = plan("b.png", 20);
    const auto sameNameOtherSweep = recorded(b, Uuid::random());
    const auto alreadyThere = recorded(a, sweepID);
    history.save({sameNameOtherSweep, alreadyThere});
    journal.write(sweepID, now, {a, b});
    move(a);
    move(b);
    const auto result = journal.reconcile(history, now);
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(std::vector(result.begin(), result.begin() + 2),
              (std::vector{sameNameOtherSweep, alreadyThere}));
    EXPECT_EQ(quarantinePaths(result)[2], b.destination);
    journal.write(sweepID, now, {a, b});
    EXPECT_EQ(journal.reconcile(history, now), result);
    EXPECT_EQ(journal.reconcile(history, now), result);
}

TEST_F(SweepJournalReconcile, nothingMovedLeavesTheHistoryAlone) {
    journal.write(sweepID, now, {plan("a.png", 1)});
    EXPECT_TRUE(journal.reconcile(history, now).empty());
    EXPECT_FALSE(fs::exists(history.url()));
    EXPECT_FALSE(fs::exists(journal.url()));
}

// The mover dates a file and then renames it; a crash in between leaves it at home with the
// sweep's date, which would put its deadline off by a whole rule period.
TEST_F(SweepJournalReconcile, aFileDatedButNeverMovedGetsItsOwnDateBack) {
    const Date own = dateFromUnix(1700000000, 987654321);
    auto stranded = plan("stranded.png", 1);
    auto edited = plan("edited.png", 2);
    auto moved = plan("moved.png", 3);
    auto unknown = plan("unknown.png", 4);
    for (auto* planned : {&stranded, &edited, &moved})
        planned->modified = own;
    journal.write(sweepID, now, {stranded, edited, moved, unknown});
    testing::setModificationDate(stranded.original, dateAfter(now, 0.4));
    testing::setModificationDate(edited.original,
                                 dateAfter(now, 3600));  // the user's own edit since
    testing::setModificationDate(unknown.original, now); // its own date was never read
    testing::setModificationDate(moved.original, now);
    move(moved);

    const auto result = journal.reconcile(history, now);

    EXPECT_EQ(quarantinePaths(result), std::vector<std::string>{moved.destination});
    EXPECT_EQ(testing::modificationDate(stranded.original), own);
    EXPECT_EQ(testing::modificationDate(edited.original), dateAfter(now, 3600));
    EXPECT_EQ(testing::modificationDate(unknown.original), now);
    EXPECT_EQ(testing::modificationDate(moved.destination), now)
        << "a quarantined file keeps its new date";
    EXPECT_FALSE(fs::exists(journal.url()));
}

TEST_F(SweepJournalReconcile, aDamagedJournalIsKeptAsideAndIgnored) {
    const auto a = plan("a.png", 1);
    move(a);
    history.save({});
    testing::writeFile(journal.url(), "{\"sweepID\":");

    EXPECT_TRUE(journal.reconcile(history, now).empty());

    EXPECT_EQ(testing::readFile(dir / "support/sweep-journal.json.damaged"), "{\"sweepID\":");
    EXPECT_FALSE(fs::exists(journal.url()));
    EXPECT_EQ(testing::readFile(history.url()), "[]");
}

TEST_F(SweepJournalReconcile, theJournalStaysWhileTheHistoryCannotBeWritten) {
    // A folder in the history's place, under a name so long that no ".damaged" name fits
    // beside it: it can be neither read nor set aside, so nothing can be saved.
    const HistoryStore unwritable(dir / "support" / std::string(250, 'h'), 5000);
    const SweepJournal itsJournal = SweepJournal::besideHistory(unwritable);
    const auto a = plan("a.png", 1);
    itsJournal.write(sweepID, now, {a});
    move(a);
    testing::writeFile(unwritable.url() / "x", "");

    const auto result = itsJournal.reconcile(unwritable, now);

    EXPECT_EQ(quarantinePaths(result), std::vector<std::string>{a.destination});
    EXPECT_TRUE(fs::exists(itsJournal.url())) << "the only record of the origin must stay";
}

} // namespace
} // namespace dustlyn

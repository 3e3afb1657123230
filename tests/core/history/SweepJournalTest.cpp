#include "core/history/SweepJournal.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Kind = HistoryEntry::Kind;

bool somethingAt(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A support folder with its history, a watched folder and a quarantine on disk.
struct SweepSetup {
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
        fs::create_directories(planned.destination.parent_path());
        fs::rename(planned.original, planned.destination);
    }
    HistoryEntry recorded(const PlannedMove& planned, std::optional<Uuid> sweep) const {
        return {Uuid::random(),
                now,
                Kind::quarantined,
                planned.original.native(),
                planned.destination.native(),
                planned.size,
                planned.ruleName,
                sweep};
    }
};

std::vector<std::string> quarantinePaths(const std::vector<HistoryEntry>& entries) {
    std::vector<std::string> paths;
    for (const auto& e : entries)
        paths.push_back(e.quarantinePath);
    return paths;
}

// A sweep with nothing to move still writes one; a missing journal is nothing.
TEST(SweepJournalFile, writtenBesideTheHistoryReadBackAndRemoved) {
    SweepSetup s;
    EXPECT_EQ(s.journal.url(), s.dir / "support/sweep-journal.json");
    EXPECT_FALSE(s.journal.load());
    EXPECT_TRUE(s.journal.remove());
    s.journal.write(s.sweepID, s.now, {});
    EXPECT_EQ(s.journal.load(), (SweepJournal::Contents{s.sweepID, s.now, {}}));

    std::vector<PlannedMove> moves = {s.plan("a/b.png", 3), s.plan("café \"1\".pdf", 0)};
    // File times carry nanoseconds, and so must the journal to give one back exactly.
    moves[0].modified = dateFromUnix(1700000000, 123456789);
    s.journal.write(s.sweepID, s.now, moves);
    EXPECT_EQ(s.journal.load(), (SweepJournal::Contents{s.sweepID, s.now, moves}));
    EXPECT_TRUE(s.journal.remove());
    EXPECT_FALSE(somethingAt(s.journal.url()));

    testing::writeFile(s.dir / "blocker", "a file, not a folder");
    try {
        SweepJournal(s.dir / "blocker/sweep-journal.json").write(s.sweepID, s.now, {});
        ADD_FAILURE() << "written";
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), ENOTDIR);
    }
}

TEST(SweepJournalFile, damagedOrForeignContentIsADecodingError) {
    SweepSetup s;
    const std::string id = "\"" + s.sweepID.text() + "\"";
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"not JSON", "journal"},
        {"cut short", "{\"sweepID\":" + id + ",\"moves\":[{\"origi"},
        {"bad sweepID", "{\"sweepID\":\"x\",\"moves\":[]}"},
        {"size as text", "{\"sweepID\":" + id +
                             ",\"moves\":[{\"originalPath\":\"a\",\"quarantinePath\":\"b\","
                             "\"ruleName\":\"\",\"size\":\"1\"}]}"},
        {"date as text", "{\"sweepID\":" + id + ",\"dated\":\"2026\",\"moves\":[]}"},
    };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        testing::writeFile(s.journal.url(), bytes);
        EXPECT_THROW(s.journal.load(), DecodingError);
    }
}

TEST(SweepJournalReconcile, recordsEachMovedFileOnceAndNoneThatStayed) {
    SweepSetup s;
    const auto earlier = s.recorded(s.plan("old.png", 9), Uuid::random());
    s.history.save({earlier});
    const auto a = s.plan("a.png", 10);
    const auto b = s.plan("sub/b.png", 20);
    const auto stayed = s.plan("c.png", 30);
    s.journal.write(s.sweepID, s.now, {a, b, stayed});
    s.move(a);
    s.move(b);
    const Date later = dateAfter(s.now, 0.25);

    const auto result = s.journal.reconcile(s.history, later);

    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0], earlier);
    for (std::size_t i = 1; i < 3; ++i) {
        HistoryEntry expected = s.recorded(i == 1 ? a : b, s.sweepID);
        expected.id = result[i].id;
        expected.date = later;
        EXPECT_EQ(result[i], expected);
    }
    EXPECT_NE(result[1].id, result[2].id);
    EXPECT_FALSE(somethingAt(s.journal.url()));
    EXPECT_EQ(quarantinePaths(s.history.load()), quarantinePaths(result));
}

// Twice, as if the journal's removal had been lost to a power cut: nothing is added. An
// entry the sweep already recorded is not added again; the same quarantine name from an older
// sweep is another file's record.
TEST(SweepJournalReconcile, entriesAlreadyRecordedAreNotAddedAgain) {
    SweepSetup s;
    const auto a = s.plan("a.png", 10);
    const auto b = s.plan("b.png", 20);
    const auto sameNameOtherSweep = s.recorded(b, Uuid::random());
    const auto alreadyThere = s.recorded(a, s.sweepID);
    s.history.save({sameNameOtherSweep, alreadyThere});
    s.journal.write(s.sweepID, s.now, {a, b});
    s.move(a);
    s.move(b);
    const auto result = s.journal.reconcile(s.history, s.now);
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(std::vector(result.begin(), result.begin() + 2),
              (std::vector{sameNameOtherSweep, alreadyThere}));
    EXPECT_EQ(quarantinePaths(result)[2], b.destination.native());
    s.journal.write(s.sweepID, s.now, {a, b});
    EXPECT_EQ(s.journal.reconcile(s.history, s.now), result);
    EXPECT_EQ(s.journal.reconcile(s.history, s.now), result);
}

// A moved link counts even when it points nowhere; with nothing moved the history stays.
TEST(SweepJournalReconcile, aMovedDanglingLinkCountsAndNothingMovedLeavesTheHistoryAlone) {
    SweepSetup s;
    s.journal.write(s.sweepID, s.now, {s.plan("a.png", 1)});
    EXPECT_TRUE(s.journal.reconcile(s.history, s.now).empty());
    EXPECT_FALSE(somethingAt(s.history.url()));
    EXPECT_FALSE(somethingAt(s.journal.url()));

    fs::create_symlink(s.dir / "gone", s.origin / "link");
    const PlannedMove link{s.origin / "link", s.quarantine / "link", "Downloads - Stale", 0,
                           std::nullopt};
    s.journal.write(s.sweepID, s.now, {link});
    s.move(link);
    EXPECT_EQ(quarantinePaths(s.journal.reconcile(s.history, s.now)),
              std::vector<std::string>{link.destination.native()});
}

// The mover dates a file and then renames it; a crash in between leaves it at home with the
// sweep's date, which would put its deadline off by a whole rule period.
TEST(SweepJournalReconcile, aFileDatedButNeverMovedGetsItsOwnDateBack) {
    SweepSetup s;
    const Date own = dateFromUnix(1700000000, 987654321);
    auto stranded = s.plan("stranded.png", 1);
    auto edited = s.plan("edited.png", 2);
    auto moved = s.plan("moved.png", 3);
    auto unknown = s.plan("unknown.png", 4);
    for (auto* planned : {&stranded, &edited, &moved})
        planned->modified = own;
    s.journal.write(s.sweepID, s.now, {stranded, edited, moved, unknown});
    testing::setModificationDate(stranded.original, dateAfter(s.now, 0.4));
    testing::setModificationDate(edited.original,
                                 dateAfter(s.now, 3600));  // the user's own edit since
    testing::setModificationDate(unknown.original, s.now); // its own date was never read
    testing::setModificationDate(moved.original, s.now);
    s.move(moved);

    const auto result = s.journal.reconcile(s.history, s.now);

    EXPECT_EQ(quarantinePaths(result), std::vector<std::string>{moved.destination.native()});
    EXPECT_EQ(testing::modificationDate(stranded.original), own);
    EXPECT_EQ(testing::modificationDate(edited.original), dateAfter(s.now, 3600));
    EXPECT_EQ(testing::modificationDate(unknown.original), s.now);
    EXPECT_EQ(testing::modificationDate(moved.destination), s.now)
        << "a quarantined file keeps its new date";
    EXPECT_FALSE(somethingAt(s.journal.url()));
}

TEST(SweepJournalReconcile, aDamagedJournalIsKeptAsideAndIgnored) {
    SweepSetup s;
    const auto a = s.plan("a.png", 1);
    s.move(a);
    s.history.save({});
    testing::writeFile(s.journal.url(), "{\"sweepID\":");
    testing::writeFile(s.journal.damagedURL(), "older");

    EXPECT_TRUE(s.journal.reconcile(s.history, s.now).empty());

    EXPECT_EQ(s.journal.damagedURL(), s.dir / "support/sweep-journal.json.damaged");
    EXPECT_EQ(testing::readFile(s.journal.damagedURL()), "older") << "an older copy stays";
    EXPECT_EQ(testing::readFile(s.dir / "support/sweep-journal.json.damaged-2"), "{\"sweepID\":");
    EXPECT_FALSE(somethingAt(s.journal.url()));
    EXPECT_EQ(testing::readFile(s.history.url()), "[]");
}

TEST(SweepJournalReconcile, theJournalStaysWhileTheHistoryCannotBeWritten) {
    SweepSetup s;
    // A folder in the history's place, under a name so long that no ".damaged" name fits
    // beside it: it can be neither read nor set aside, so nothing can be saved.
    const HistoryStore history(s.dir / "support" / std::string(250, 'h'), 5000);
    const SweepJournal journal = SweepJournal::besideHistory(history);
    const auto a = s.plan("a.png", 1);
    journal.write(s.sweepID, s.now, {a});
    s.move(a);
    testing::writeFile(history.url() / "x", "");

    const auto result = journal.reconcile(history, s.now);

    EXPECT_EQ(quarantinePaths(result), std::vector<std::string>{a.destination.native()});
    EXPECT_TRUE(somethingAt(journal.url())) << "the only record of the origin must stay";
}

} // namespace
} // namespace dustlyn

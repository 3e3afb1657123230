#include "core/history/SweepJournal.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
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

Date modifiedAt(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return dateFromUnix(info.st_mtim.tv_sec, static_cast<std::uint32_t>(info.st_mtim.tv_nsec));
}

void setModified(const fs::path& path, Date date) {
    const auto since =
        std::chrono::duration_cast<std::chrono::nanoseconds>(date.time_since_epoch());
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(since.count() / 1000000000),
                                static_cast<long>(since.count() % 1000000000)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
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

TEST(SweepJournalFile, writtenCompactBesideTheHistoryAndReadBack) {
    SweepSetup s;
    EXPECT_EQ(s.journal.url(), s.dir / "support/sweep-journal.json");
    std::vector<PlannedMove> moves = {s.plan("a/b.png", 3), s.plan("café \"1\".pdf", 0)};
    // File times carry nanoseconds, and so must the journal to give one back exactly.
    moves[0].modified = dateFromUnix(1700000000, 123456789);
    s.journal.write(s.sweepID, s.now, moves);

    const std::string bytes = testing::readFile(s.journal.url());
    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    EXPECT_EQ(bytes.rfind("{\"sweepID\":\"" + s.sweepID.text() + "\",\"dated\":", 0), 0u);
    EXPECT_EQ(s.journal.load(), (SweepJournal::Contents{s.sweepID, s.now, moves}));
}

TEST(SweepJournalFile, aSweepWithNothingToMoveStillWritesAJournal) {
    SweepSetup s;
    s.journal.write(s.sweepID, s.now, {});
    EXPECT_EQ(s.journal.load(), (SweepJournal::Contents{s.sweepID, s.now, {}}));
}

TEST(SweepJournalFile, removeDeletesItAndAMissingJournalIsNothing) {
    SweepSetup s;
    EXPECT_FALSE(s.journal.load());
    EXPECT_TRUE(s.journal.remove());
    s.journal.write(s.sweepID, s.now, {s.plan("a.png", 1)});
    EXPECT_TRUE(s.journal.remove());
    EXPECT_FALSE(somethingAt(s.journal.url()));
    EXPECT_FALSE(s.journal.load());
}

TEST(SweepJournalFile, aFolderThatCannotBeMadeIsAFileErrorWithTheSystemsMessage) {
    testing::TempDir dir;
    testing::writeFile(dir / "support", "a file, not a folder");
    const SweepJournal journal(dir / "support/sweep-journal.json");
    try {
        journal.write(Uuid::random(), Date(), {});
        FAIL() << "expected a FileError";
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), ENOTDIR);
        EXPECT_STRNE(error.what(), "");
    }
}

TEST(SweepJournalFile, damagedOrForeignContentIsADecodingError) {
    SweepSetup s;
    const std::string id = "\"" + s.sweepID.text() + "\"";
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"not JSON", "journal"},
        {"cut short", "{\"sweepID\":" + id + ",\"moves\":[{\"origi"},
        {"an array", "[]"},
        {"no sweepID", "{\"moves\":[]}"},
        {"bad sweepID", "{\"sweepID\":\"x\",\"moves\":[]}"},
        {"moves not a list", "{\"sweepID\":" + id + ",\"moves\":{}}"},
        {"move without size",
         "{\"sweepID\":" + id +
             ",\"moves\":[{\"originalPath\":\"a\",\"quarantinePath\":\"b\",\"ruleName\":\"\"}]}"},
        {"size as text", "{\"sweepID\":" + id +
                             ",\"moves\":[{\"originalPath\":\"a\",\"quarantinePath\":\"b\","
                             "\"ruleName\":\"\",\"size\":\"1\"}]}"},
        {"date as text", "{\"sweepID\":" + id + ",\"dated\":\"2026\",\"moves\":[]}"},
        {"modified as text", "{\"sweepID\":" + id +
                                 ",\"moves\":[{\"originalPath\":\"a\",\"quarantinePath\":\"b\","
                                 "\"ruleName\":\"\",\"size\":1,\"modified\":\"x\"}]}"},
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
        const auto& planned = i == 1 ? a : b;
        SCOPED_TRACE(planned.destination);
        const HistoryEntry& e = result[i];
        EXPECT_EQ(e.kind, Kind::quarantined);
        EXPECT_EQ(e.date, later);
        EXPECT_EQ(e.originalPath, planned.original.native());
        EXPECT_EQ(e.quarantinePath, planned.destination.native());
        EXPECT_EQ(e.size, planned.size);
        EXPECT_EQ(e.ruleName, "Screenshots");
        EXPECT_EQ(e.sweepID, s.sweepID);
        EXPECT_NE(e.id, earlier.id);
    }
    EXPECT_NE(result[1].id, result[2].id);
    EXPECT_FALSE(somethingAt(s.journal.url()));
    EXPECT_EQ(quarantinePaths(s.history.load()), quarantinePaths(result));
    EXPECT_EQ(HistoryStore::originalPath(a.destination.native(), s.history.load()),
              a.original.native());
}

TEST(SweepJournalReconcile, runningTwiceAddsNothingTheSecondTime) {
    SweepSetup s;
    const auto a = s.plan("a.png", 10);
    s.journal.write(s.sweepID, s.now, {a});
    s.move(a);
    const auto first = s.journal.reconcile(s.history, s.now);
    ASSERT_EQ(first.size(), 1u);
    // As if the removal had been lost to a power cut.
    s.journal.write(s.sweepID, s.now, {a});
    const std::string bytes = testing::readFile(s.history.url());
    const auto second = s.journal.reconcile(s.history, s.now);
    EXPECT_EQ(quarantinePaths(second), quarantinePaths(first));
    EXPECT_EQ(testing::readFile(s.history.url()), bytes);
    EXPECT_FALSE(somethingAt(s.journal.url()));
}

TEST(SweepJournalReconcile, entriesTheSweepAlreadyRecordedAreNotAddedAgain) {
    SweepSetup s;
    const auto a = s.plan("a.png", 10);
    const auto b = s.plan("b.png", 20);
    s.journal.write(s.sweepID, s.now, {a, b});
    s.move(a);
    s.move(b);
    // The same quarantine name from an older sweep is another file's record.
    const auto sameNameOtherSweep = s.recorded(b, Uuid::random());
    const auto alreadyThere = s.recorded(a, s.sweepID);
    s.history.save({sameNameOtherSweep, alreadyThere});

    const auto result = s.journal.reconcile(s.history, s.now);

    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0], sameNameOtherSweep);
    EXPECT_EQ(result[1], alreadyThere);
    EXPECT_EQ(result[2].quarantinePath, b.destination.native());
    EXPECT_EQ(result[2].sweepID, s.sweepID);
}

TEST(SweepJournalReconcile, aMovedSymbolicLinkCountsEvenWhenItPointsNowhere) {
    SweepSetup s;
    fs::create_directories(s.origin);
    fs::create_symlink(s.dir / "gone", s.origin / "link");
    const PlannedMove link{s.origin / "link", s.quarantine / "link", "Downloads - Stale", 0,
                           std::nullopt};
    s.journal.write(s.sweepID, s.now, {link});
    s.move(link);
    const auto result = s.journal.reconcile(s.history, s.now);
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].quarantinePath, link.destination.native());
}

TEST(SweepJournalReconcile, nothingMovedRemovesTheJournalAndLeavesTheHistoryAlone) {
    SweepSetup s;
    s.journal.write(s.sweepID, s.now, {s.plan("a.png", 1)});
    EXPECT_TRUE(s.journal.reconcile(s.history, s.now).empty());
    EXPECT_FALSE(somethingAt(s.history.url()));
    EXPECT_FALSE(somethingAt(s.journal.url()));
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
    setModified(stranded.original, dateAfter(s.now, 0.4));
    setModified(edited.original, dateAfter(s.now, 3600)); // the user's own edit since
    setModified(unknown.original, s.now);                 // its own date was never read
    setModified(moved.original, s.now);
    s.move(moved);

    const auto result = s.journal.reconcile(s.history, s.now);

    EXPECT_EQ(quarantinePaths(result), std::vector<std::string>{moved.destination.native()});
    EXPECT_EQ(modifiedAt(stranded.original), own);
    EXPECT_EQ(modifiedAt(edited.original), dateAfter(s.now, 3600));
    EXPECT_EQ(modifiedAt(unknown.original), s.now);
    EXPECT_EQ(modifiedAt(moved.destination), s.now) << "a quarantined file keeps its new date";
    EXPECT_FALSE(somethingAt(s.journal.url()));
}

TEST(SweepJournalReconcile, withoutAJournalItIsTheHistoryAsStored) {
    SweepSetup s;
    const auto a = s.recorded(s.plan("a.png", 1), std::nullopt);
    s.history.save({a});
    const std::string bytes = testing::readFile(s.history.url());
    EXPECT_EQ(s.journal.reconcile(s.history, s.now), std::vector<HistoryEntry>{a});
    EXPECT_EQ(testing::readFile(s.history.url()), bytes);
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

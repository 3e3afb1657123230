// The stores' writes under injected system-call failures and kills: a real probe process
// saves through ConfigurationStore or appends through HistoryStore while strace fails or
// kills one of its calls, and the file on disk must then hold exactly the old or exactly
// the new bytes.
#include "core/history/HistoryStore.h"
#include "tests/core/support/TempDir.h"
#include "tests/core/support/TracedRun.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> temporariesBeside(const fs::path& target) {
    const std::string prefix = "." + target.filename().native() + ".tmp-";
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(target.parent_path()))
        if (item.path().filename().native().starts_with(prefix))
            names.push_back(item.path().filename().native());
    return names;
}

struct Fault {
    const char* name;
    std::string inject;
    bool newBytes; // what the file holds afterwards: the new bytes, or else the old ones
    bool killed;
    // How a save that returns a failure shows it: the configuration store throws (the probe
    // exits 1), the history store reports nothing.
    bool saveFails;
};

const std::vector<Fault>& faults() {
    static const std::vector<Fault> rows = {
        {"file flush fails", "fsync:error=EIO:when=1", false, false, true},
        {"folder flush fails after the rename", "fsync:error=EIO:when=2", true, false, true},
        {"rename across file systems", "rename:error=EXDEV", false, false, true},
        {"disk full while writing", "write:error=ENOSPC:when=1", false, false, true},
        {"killed at the first write", "write:signal=SIGKILL:when=1", false, true, false},
        {"killed before the file is flushed", "fsync:signal=SIGKILL:when=1", false, true, false},
        {"killed at the rename", "rename:signal=SIGKILL", false, true, false},
        {"killed before the folder is flushed", "fsync:signal=SIGKILL:when=2", true, true, false},
    };
    return rows;
}

struct StoreKind {
    const char* name;     // the probe's first argument
    const char* fileName; // the store's file
    bool reportsFailure;  // save failures reach the caller
};

void PrintTo(const StoreKind& kind, std::ostream* out) {
    *out << kind.name;
}

class StoreFaults : public ::testing::TestWithParam<StoreKind> {
protected:
    void SetUp() override {
        if (!testing::straceWorks(dir.path()))
            GTEST_SKIP() << "strace cannot trace here (not installed, or ptrace not permitted)";
        target = dir / "store" / GetParam().fileName;
        fs::create_directories(target.parent_path());
        // The old content is what a first run writes; the new content is what a second run
        // writes over it, undisturbed.
        ASSERT_TRUE(probe().exited(0));
        oldBytes = testing::readFile(target);
        ASSERT_TRUE(probe().exited(0));
        newBytes = testing::readFile(target);
        ASSERT_NE(oldBytes, newBytes);
        ASSERT_FALSE(oldBytes.empty());
    }

    // The probe, under strace when `inject` names a fault.
    testing::ChildRun probe(const std::string& inject = "") {
        std::vector<std::string> command;
        if (!inject.empty())
            command = testing::straceInjecting({inject}, (dir / "strace.log").native());
        command.insert(command.end(), {DUSTLYN_STORE_PROBE, GetParam().name, target.native()});
        return testing::runChild(command, dir.path());
    }

    testing::TempDir dir;
    fs::path target;
    std::string oldBytes;
    std::string newBytes;
};

TEST_P(StoreFaults, theFileHoldsTheOldOrTheNewBytesAndNothingElse) {
    for (const auto& fault : faults()) {
        SCOPED_TRACE(fault.name);
        testing::writeFile(target, oldBytes);
        const testing::ChildRun outcome = probe(fault.inject);
        EXPECT_EQ(outcome.killed(), fault.killed) << "status " << outcome.status;
        EXPECT_EQ(testing::readFile(target), fault.newBytes ? newBytes : oldBytes);
        const auto leftovers = temporariesBeside(target);
        if (!fault.killed) {
            const std::string log = testing::readFile(dir / "strace.log");
            EXPECT_EQ(log.find("(INJECTED)") != std::string::npos, fault.saveFails);
            const bool failureShown = fault.saveFails && GetParam().reportsFailure;
            EXPECT_TRUE(outcome.exited(failureShown ? 1 : 0)) << outcome.err;
            EXPECT_TRUE(leftovers.empty()) << leftovers.front();
        }
        for (const auto& name : leftovers)
            fs::remove(target.parent_path() / name);
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreFaults,
                         ::testing::Values(StoreKind{"history", "history.json", false},
                                           StoreKind{"config", "config.json", true}),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace dustlyn

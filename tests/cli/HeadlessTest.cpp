#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iomanip>
#include <iostream>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = DustlynProcess::Clock;
using Stream = DustlynProcess::Stream;
using namespace std::chrono_literals;

// A `dustlyn --headless` in its own home whose rules claim nothing, so that only what a
// test asks for ever leaves.
class Headless : public ::testing::Test {
protected:
    void SetUp() override {
        home.writeConfig({{"rules", json::array()}});
        ASSERT_TRUE(instance = home.startInstance());
        ASSERT_TRUE(fs::exists(home.socketFile()));
    }

    CliHome home;
    std::unique_ptr<DustlynProcess> instance;
};

// The running instance answers what asks about it or changes something, and is the one
// Dustlyn of its user: a second start talks to it or is refused.
TEST_F(Headless, TheInstanceAnswersTheCommandsAndIsTheOnlyOne) {
    EXPECT_TRUE(home.ok({"status"}).out.starts_with("Dustlyn is running.\nNothing is leaving.\n"));
    const json status = parseOrDiscard(home.run({"status", "--json"}).out);
    EXPECT_EQ(status["running"], true) << status;
    EXPECT_EQ(status["paused"], false);
    EXPECT_EQ(status["leaving"], 0);

    EXPECT_EQ(home.ok({"pause"}).out, "Paused: nothing leaves until `dustlyn resume`.\n");
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is running, paused.\n"));
    EXPECT_EQ(parseOrDiscard(home.run({"status", "--json"}).out)["paused"], true);
    EXPECT_EQ(home.ok({"resume"}).out, "Resumed.\n");
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is running.\n"));

    writeFile(home.desktop() / "keep.txt", "k");
    EXPECT_EQ(home.ok({"keep", home.desk("keep.txt")}).out,
              "Keeping " + home.desk("keep.txt") + "\n");
    EXPECT_EQ(home.readConfig()["pins"], json::array({home.desk("keep.txt")}));
    expectRefused(home.run({"keep", home.desk("missing.txt")}), 2, home.desk("missing.txt"));
    expectRefused(home.run({"open"}), 1, "--headless");

    EXPECT_EQ(home.ok({}).out, "Dustlyn is already running (without windows).\n");
    // A second one names the running process.
    const ProcessResult second = home.run({"--headless"});
    EXPECT_NE(second.exitCode, 0) << second.describe();
    EXPECT_TRUE(has(second.err, "Dustlyn is already running") &&
                has(second.err, std::to_string(instance->pid())))
        << second.err;
    home.ok({"status"}); // the first one still answers

    for (const fs::path& file : {home.socketFile(), home.runtimeDirectory() / "dustlyn.lock"}) {
        SCOPED_TRACE(file.native());
        struct stat info {};
        ASSERT_EQ(::lstat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0077, 0u) << std::oct << info.st_mode;
        EXPECT_EQ(info.st_uid, ::geteuid());
    }
}

// A killed instance cannot tidy up: commands notice that nothing listens any more, and a new
// instance starts over the leftovers. SIGTERM stops one cleanly, its socket gone with it.
TEST_F(Headless, AfterAKillANewInstanceStartsOverTheLeftoversAndSigtermStopsItCleanly) {
    instance->sendSignal(SIGKILL);
    EXPECT_EQ(instance->wait(Clock::now() + 20s).signal, SIGKILL);
    ASSERT_TRUE(fs::exists(home.socketFile()));
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is not running"));

    ASSERT_TRUE(instance = home.startInstance());
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is running.\n"));
    stopInstance(*instance);
    EXPECT_FALSE(fs::exists(home.socketFile())) << "the socket goes with the instance";
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is not running"));
    expectRefused(home.run({"pause"}), 2, "not running");
}

TEST_F(Headless, ATimedFileLeavesWithinASecondOfItsDeadlineAndUndoBringsItBack) {
    writeFile(home.desktop() / "draft.txt", "draft");
    const std::string origin = home.desk("draft.txt");
    const fs::path quarantined = home.quarantine() / "draft.txt";

    EXPECT_TRUE(home.ok({"timer", origin, "2s"}).out.starts_with(origin + " leaves in "));
    const auto deadline = Clock::now() + 2s;

    // Polled, not slept: the moment it arrives is what is measured.
    const auto giveUp = deadline + 10s;
    while (!fs::exists(quarantined) && Clock::now() < giveUp)
        ::usleep(2000);
    const auto arrived = Clock::now();
    ASSERT_TRUE(fs::exists(quarantined)) << "never reached the quarantine\n" << instance->err();
    const double lateness = std::chrono::duration<double>(arrived - deadline).count();
    std::cout << "deadline lateness: " << std::fixed << std::setprecision(2) << lateness << " s\n";
    EXPECT_LE(lateness, 1.0);
    EXPECT_FALSE(fs::exists(origin));
    EXPECT_TRUE(instance->waitForLine(Stream::out, "Moved 1 file to quarantine (5 bytes)",
                                      Clock::now() + 10s))
        << instance->out();

    EXPECT_EQ(home.ok({"undo"}).out, "Restored " + origin + "\n");
    EXPECT_EQ(readFile(origin), "draft");
    EXPECT_FALSE(fs::exists(quarantined));
    const json config = home.readConfig();
    EXPECT_EQ(config["pins"], json::array({origin})) << "the instance saved the kept file";
    EXPECT_EQ(config["timers"], json::object());
    stopInstance(*instance);
}

} // namespace
} // namespace dustlyn::testing

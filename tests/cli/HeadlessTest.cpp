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

// Upper bounds for things that normally take milliseconds; a slow machine only waits longer.
constexpr auto startUpLimit = 20s;
constexpr auto stopLimit = 20s;

// A `dustlyn --headless` in its own home whose rules claim nothing, so that only what a
// test asks for ever leaves.
class Headless : public ::testing::Test {
protected:
    void SetUp() override {
        home.writeConfig({{"rules", json::array()}});
        instance = home.start({"--headless"});
        // Printed once the control socket listens and the model has started.
        ASSERT_TRUE(instance->waitForLine(Stream::err, "Dustlyn is running without windows",
                                          Clock::now() + startUpLimit))
            << instance->err();
        ASSERT_TRUE(fs::exists(home.socketFile()));
    }

    ProcessResult stop() {
        instance->sendSignal(SIGTERM);
        return instance->wait(Clock::now() + stopLimit);
    }

    std::string onDesktop(const std::string& name) const {
        return (home.desktop() / name).native();
    }

    CliHome home;
    std::unique_ptr<DustlynProcess> instance;
};

// The running instance answers what asks about it or changes something, and is the one
// Dustlyn of its user: a second start talks to it or is refused.
TEST_F(Headless, TheInstanceAnswersTheCommandsAndIsTheOnlyOne) {
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is running.\nNothing is leaving.\n"));
    const json status = parseOrDiscard(home.run({"status", "--json"}).out);
    EXPECT_EQ(status["running"], true) << status;
    EXPECT_EQ(status["paused"], false);
    EXPECT_EQ(status["leaving"], 0);

    const ProcessResult paused = home.run({"pause"});
    EXPECT_EQ(paused.exitCode, 0) << paused.describe();
    EXPECT_EQ(paused.out, "Paused: nothing leaves until `dustlyn resume`.\n");
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is running, paused.\n"));
    EXPECT_EQ(parseOrDiscard(home.run({"status", "--json"}).out)["paused"], true);
    const ProcessResult resumed = home.run({"resume"});
    EXPECT_EQ(resumed.out, "Resumed.\n") << resumed.describe();
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is running.\n"));

    writeFile(home.desktop() / "keep.txt", "k");
    const ProcessResult kept = home.run({"keep", onDesktop("keep.txt")});
    EXPECT_EQ(kept.out, "Keeping " + onDesktop("keep.txt") + "\n") << kept.describe();
    EXPECT_EQ(home.readConfig()["pins"], json::array({onDesktop("keep.txt")}));
    expectRefused(home.run({"keep", onDesktop("missing.txt")}), 2, onDesktop("missing.txt"));
    expectRefused(home.run({"open"}), 1, "--headless");

    const ProcessResult again = home.run({});
    EXPECT_EQ(again.exitCode, 0) << again.describe();
    EXPECT_EQ(again.out, "Dustlyn is already running (without windows).\n");
    const ProcessResult second = home.run({"--headless"});
    EXPECT_NE(second.exitCode, 0) << second.describe();
    EXPECT_NE(second.err.find("Dustlyn is already running"), std::string::npos) << second.err;
    EXPECT_NE(second.err.find(std::to_string(instance->pid())), std::string::npos)
        << "names the running process: " << second.err;
    EXPECT_EQ(home.run({"status"}).exitCode, 0) << "the first one still answers";

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
    EXPECT_EQ(instance->wait(Clock::now() + stopLimit).signal, SIGKILL);
    ASSERT_TRUE(fs::exists(home.socketFile()));
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is not running"));

    instance = home.start({"--headless"});
    ASSERT_TRUE(instance->waitForLine(Stream::err, "Dustlyn is running without windows",
                                      Clock::now() + startUpLimit))
        << instance->err();
    const ProcessResult status = home.run({"status"});
    EXPECT_TRUE(status.out.starts_with("Dustlyn is running.\n")) << status.describe();

    const ProcessResult ended = stop();
    EXPECT_EQ(ended.exitCode, 0) << ended.describe();
    EXPECT_FALSE(ended.timedOut);
    EXPECT_FALSE(fs::exists(home.socketFile())) << "the socket goes with the instance";
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is not running"));
    expectRefused(home.run({"pause"}), 2, "not running");
}

TEST_F(Headless, ATimedFileLeavesWithinASecondOfItsDeadlineAndUndoBringsItBack) {
    writeFile(home.desktop() / "draft.txt", "draft");
    const std::string origin = onDesktop("draft.txt");
    const fs::path quarantined = home.quarantine() / "draft.txt";

    const ProcessResult timer = home.run({"timer", origin, "2s"});
    const auto deadline = Clock::now() + 2s;
    ASSERT_EQ(timer.exitCode, 0) << timer.describe();
    EXPECT_EQ(timer.out.rfind(origin + " leaves in ", 0), 0u) << timer.out;

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
    EXPECT_EQ(readFile(quarantined), "draft");

    EXPECT_TRUE(instance->waitForLine(Stream::out, "Moved 1 file to quarantine (5 bytes)",
                                      Clock::now() + 10s))
        << instance->out();

    const ProcessResult undo = home.run({"undo"});
    EXPECT_EQ(undo.exitCode, 0) << undo.describe();
    EXPECT_EQ(undo.out, "Restored " + origin + "\n");
    EXPECT_EQ(readFile(origin), "draft");
    EXPECT_FALSE(fs::exists(quarantined));
    const json config = home.readConfig();
    EXPECT_EQ(config["pins"], json::array({origin})) << "the instance saved the kept file";
    EXPECT_EQ(config["timers"], json::object());

    const ProcessResult ended = stop();
    EXPECT_EQ(ended.exitCode, 0) << ended.describe();
}

} // namespace
} // namespace dustlyn::testing

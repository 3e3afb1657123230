#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iomanip>
#include <iostream>

namespace dustlyn::testing {
namespace {

// A `dustlyn --headless` in its own home whose rules claim nothing, so that only what a
// test asks for ever leaves.
class Headless : public ::testing::Test {
protected:
    void SetUp() override {
        home.writeConfig({{"rules", json::array()}});
        ASSERT_TRUE(instance = home.startInstance());
    }

    CliHome home;
    std::unique_ptr<DustlynProcess> instance;
};

// The running instance answers what asks about it or changes something, and is the one
// Dustlyn of its user: a second start talks to it or is refused.
TEST_F(Headless, TheInstanceAnswersTheCommandsAndIsTheOnlyOne) {
    EXPECT_TRUE(home.ok({"status"}).out.starts_with("Dustlyn is running.\nNothing is leaving.\n"));
    EXPECT_EQ(home.ok({"pause"}).out, "Paused: nothing leaves until `dustlyn resume`.\n");
    EXPECT_EQ(parseOrDiscard(home.run({"status", "--json"}).out)["paused"], true);
    EXPECT_EQ(home.ok({"resume"}).out, "Resumed.\n");
    EXPECT_EQ(parseOrDiscard(home.run({"status", "--json"}).out)["paused"], false);
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

    // Killed, it cannot tidy up: commands notice that nothing listens any more, and a new
    // instance starts over the leftovers. SIGTERM stops one cleanly, its socket gone with it.
    instance->sendSignal(SIGKILL);
    EXPECT_EQ(instance->wait(Clock::now() + 20s).signal, SIGKILL);
    ASSERT_TRUE(fs::exists(home.socketFile()));
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is not running"));
    ASSERT_TRUE(instance = home.startInstance());
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is running.\n"));
    stopInstance(*instance);
    EXPECT_FALSE(fs::exists(home.socketFile())) << "the socket goes with the instance";
    EXPECT_TRUE(home.run({"status"}).out.starts_with("Dustlyn is not running"));
}

// A killed instance cannot tidy up: commands notice that nothing listens any more, and a new
// instance starts over the leftovers. SIGTERM stops one cleanly, its socket gone with it.

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
    EXPECT_TRUE(instance->waitForLines(Stream::out, "Moved 1 file to quarantine (5 bytes)", 1,
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

// A change that cannot be saved (a folder stands where config.json would be written) is
// reported, exit 1, naming config.json and the system's reason; nothing of it stays, and the
// file it was about is left where it is.
TEST(HonestResults, AChangeThatCannotBeSavedExitsOneAndChangesNothing) {
    CliHome home;
    makeOldFiles(home.desktop(), 1);
    const std::string file = home.desk("note-0001.txt");
    fs::create_directories(home.configFile());
    for (const std::string& line :
         {"keep " + file, "timer " + file + " 1w",
          std::string("rules add Logs --folder ~/Desktop --ext log --age 1h")}) {
        SCOPED_TRACE(line);
        const ProcessResult result = home.run(wordsOf(line));
        EXPECT_EQ(result.exitCode, 1) << result.describe();
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(has(result.err, "could not save " + home.configFile().native() + ": ") &&
                    has(result.err, "Is a directory"))
            << result.err;
    }
    EXPECT_EQ(readFile(file), "note-0001.txt") << "nothing was quarantined";
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

// The running instance: a damaged edit by hand is said once and leaves the settings in use,
// and a change it then cannot save is taken back; an edit is taken up, never written over.
TEST(HandEdits, AreTakenUpNeverWrittenOverAndADamagedOneKeepsTheSettingsInUse) {
    CliHome home;
    home.writeRule("*.txt", 86400);
    makeOldFiles(home.desktop(), 2); // claimed, due tomorrow
    const auto instance = home.startInstance();
    ASSERT_TRUE(instance);
    const auto leaving = [&] {
        return parseOrDiscard(home.run({"status", "--json"}).out)["leaving"];
    };
    // Waits for the instance to say `text` once more than it had.
    const auto saysAgain = [&](const std::string& text) {
        const std::size_t before = instance->linesWith(Stream::err, text);
        return instance->waitForLines(Stream::err, text, before + 1, Clock::now() + 10s);
    };
    const std::string garbage = "{\"rules\": [oops";
    writeFile(home.configFile(), garbage);
    ASSERT_TRUE(saysAgain("was changed but cannot be read")) << instance->err();
    EXPECT_TRUE(has(instance->err(), "Dustlyn goes on with the settings it had"));
    EXPECT_EQ(readFile(home.supportDirectory() / "config.json.damaged"), garbage);
    const ProcessResult kept = home.run({"keep", home.desk("note-0001.txt")});
    EXPECT_EQ(kept.exitCode, 1) << kept.describe();
    EXPECT_TRUE(has(kept.err, "could not save " + home.configFile().native())) << kept.err;
    EXPECT_EQ(readFile(home.configFile()), garbage) << "only the user replaces it";
    EXPECT_EQ(leaving(), 2) << "the running configuration stays, without the refused change";

    // Mended by hand, and changed at once, before the instance has seen the file change.
    json config = {{"rules", {globRule("*.txt", "~/Desktop", 86400)}},
                   {"pins", {home.desk("note-0001.txt")}},
                   {"checkInterval", 600}};
    home.writeConfig(config);
    home.ok({"keep", home.desk("note-0002.txt")});
    config = home.readConfig();
    EXPECT_EQ(config["pins"],
              json::array({home.desk("note-0001.txt"), home.desk("note-0002.txt")}));
    EXPECT_EQ(config["checkInterval"], 600);
    ASSERT_TRUE(instance->waitForLines(Stream::err, "took up the changes", 1, Clock::now() + 10s))
        << instance->err();

    // An edit alone is taken up too: the rule switched off claims nothing any more.
    config["rules"][0]["enabled"] = false;
    config["pins"] = json::array();
    home.writeConfig(config);
    ASSERT_TRUE(saysAgain("took up the changes made to " + home.configFile().native()))
        << instance->err();
    EXPECT_EQ(leaving(), 0);
    EXPECT_EQ(home.readConfig(), config) << "taken up as written, not written back";
    stopInstance(*instance);
}

} // namespace
} // namespace dustlyn::testing

#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = DustlynProcess::Clock;
using Stream = DustlynProcess::Stream;
using namespace std::chrono_literals;

// A change that cannot be saved is reported, exit 1, naming config.json and the system's
// reason; nothing of it stays, and the file it was about is left where it is.
TEST(HonestResults, AChangeThatCannotBeSavedExitsOneAndChangesNothing) {
    for (const bool immutable : {false, true}) {
        SCOPED_TRACE(immutable ? "a file the system will not replace" : "a folder in its place");
        CliHome home;
        if (immutable && !home.canStrace())
            GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
        home.writeRule();
        makeOldFiles(home.desktop(), 1);
        const std::string file = home.desk("note-0001.txt");
        if (!immutable) {
            fs::remove(home.configFile());
            fs::create_directory(home.configFile());
        }
        const std::string before = immutable ? readFile(home.configFile()) : "";
        for (const std::vector<std::string>& words :
             {std::vector<std::string>{"keep", file},
              {"timer", file, "1w"},
              {"rules", "add", "Logs", "--folder", "~/Desktop", "--ext", "log", "--age", "1h"}}) {
            SCOPED_TRACE(words.front());
            const ProcessResult result =
                immutable ? home.runUnder(strace({"inject=rename:error=EPERM"}), words)
                          : home.run(words);
            EXPECT_EQ(result.exitCode, 1) << result.describe();
            EXPECT_EQ(result.out, "");
            EXPECT_TRUE(has(result.err, "could not save " + home.configFile().native() + ": ") &&
                        has(result.err, immutable ? "Operation not permitted" : "Is a directory"))
                << result.err;
        }
        EXPECT_EQ(immutable ? readFile(home.configFile()) : "", before);
        EXPECT_EQ(readFile(file), "note-0001.txt") << "nothing was quarantined";
        EXPECT_TRUE(namesIn(home.quarantine()).empty());
    }
}

// The running instance: an edit by hand is taken up, never written over; a damaged one is
// said once and leaves the settings in use; a change it then cannot save is taken back.
class HandEdits : public ::testing::Test {
protected:
    void SetUp() override {
        home.writeRule("*.txt", 86400);
        makeOldFiles(home.desktop(), 2); // claimed, due tomorrow
        ASSERT_TRUE(instance = home.startInstance());
    }

    void TearDown() override {
        if (instance)
            stopInstance(*instance);
    }

    json leaving() const { return parseOrDiscard(home.run({"status", "--json"}).out)["leaving"]; }
    // Waits for the instance to say `text` once more than it had.
    bool saysAgain(const std::string& text) {
        const std::size_t before = instance->linesWith(Stream::err, text);
        return instance->waitForLines(Stream::err, text, before + 1, Clock::now() + 10s);
    }

    CliHome home;
    std::unique_ptr<DustlynProcess> instance;
};

TEST_F(HandEdits, AnEditByHandSurvivesTheInstancesNextSave) {
    json config = home.readConfig();
    config["pins"] = {home.desk("note-0001.txt")};
    config["checkInterval"] = 600;
    home.writeConfig(config);
    // At once, before the instance has seen the file change.
    home.ok({"keep", home.desk("note-0002.txt")});
    const json after = home.readConfig();
    EXPECT_EQ(after["pins"], json::array({home.desk("note-0001.txt"), home.desk("note-0002.txt")}));
    EXPECT_EQ(after["checkInterval"], 600);
    ASSERT_TRUE(instance->waitForLines(Stream::err, "took up the changes", 1, Clock::now() + 10s))
        << instance->err();

    // An edit alone is taken up too: the rule switched off claims nothing any more.
    config = after;
    config["rules"][0]["enabled"] = false;
    config["pins"] = json::array();
    home.writeConfig(config);
    ASSERT_TRUE(saysAgain("took up the changes made to " + home.configFile().native()))
        << instance->err();
    EXPECT_EQ(leaving(), 0);
    EXPECT_EQ(home.readConfig(), config) << "taken up as written, not written back";
}

TEST_F(HandEdits, ADamagedEditKeepsTheSettingsInUseAndAChangeIsThenRefused) {
    ASSERT_EQ(leaving(), 2);
    const std::string garbage = "{\"rules\": [oops";
    writeFile(home.configFile(), garbage);
    ASSERT_TRUE(saysAgain("was changed but cannot be read")) << instance->err();
    EXPECT_TRUE(has(instance->err(), "Dustlyn goes on with the settings it had"));
    EXPECT_EQ(readFile(home.supportDirectory() / "config.json.damaged"), garbage);
    EXPECT_EQ(leaving(), 2) << "the running configuration stays";

    const ProcessResult kept = home.run({"keep", home.desk("note-0001.txt")});
    EXPECT_EQ(kept.exitCode, 1) << kept.describe();
    EXPECT_TRUE(has(kept.err, "could not save " + home.configFile().native())) << kept.err;
    EXPECT_EQ(readFile(home.configFile()), garbage) << "only the user replaces it";
    EXPECT_EQ(leaving(), 2) << "not kept in memory either";

    // Mended, it is taken up, and changes are saved again.
    home.writeRule("*.txt", 86400);
    ASSERT_TRUE(saysAgain("took up the changes")) << instance->err();
    home.ok({"keep", home.desk("note-0001.txt")});
    EXPECT_EQ(leaving(), 1);

    // A folder in place of the file is damage too.
    fs::remove(home.configFile());
    fs::create_directory(home.configFile());
    ASSERT_TRUE(saysAgain("was changed but cannot be read")) << instance->err();
    const ProcessResult refused = home.run({"keep", home.desk("note-0002.txt")});
    EXPECT_EQ(refused.exitCode, 1) << refused.describe();
    EXPECT_TRUE(has(refused.err, "Is a directory")) << refused.err;
    EXPECT_EQ(leaving(), 1);
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

} // namespace
} // namespace dustlyn::testing

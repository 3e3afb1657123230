#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

struct MistakeCase {
    const char* what;
    std::vector<std::string> words;
    const char* mentioned; // the message names what was wrong
    bool pointsToHelp;     // and says where to read how it is done
};

TEST(Usage, MistakesExitTwoWithOneLineOnStandardError) {
    const std::vector<MistakeCase> cases = {
        {"unknown command", {"frobnicate"}, "frobnicate", true},
        {"unknown option", {"scan", "--bogus"}, "--bogus", true},
        {"missing argument", {"timer", "only-a-path"}, "missing argument", true},
        {"too many arguments", {"sweep", "extra"}, "too many arguments", true},
        {"option without its value", {"history", "--limit"}, "--limit needs a value", false},
        {"flag given a value", {"scan", "--json=yes"}, "--json takes no value", false},
    };
    for (const auto& mistake : cases) {
        SCOPED_TRACE(mistake.what);
        CliHome home;
        const ProcessResult result = home.run(mistake.words);
        EXPECT_EQ(result.exitCode, 2) << result.describe();
        EXPECT_EQ(result.out, "");
        ASSERT_EQ(result.errLines().size(), 1u) << result.describe();
        EXPECT_NE(result.err.find(mistake.mentioned), std::string::npos) << result.err;
        if (mistake.pointsToHelp) {
            EXPECT_NE(result.err.find("dustlyn help"), std::string::npos) << result.err;
        }
        EXPECT_FALSE(std::filesystem::exists(home.supportDirectory()));
    }
}

TEST(Usage, HelpListsTheCommandsAndExitsZero) {
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"help"}, {"--help"}, {"scan", "--help"}}) {
        SCOPED_TRACE(words.front());
        CliHome home;
        const ProcessResult result = home.run(words);
        EXPECT_EQ(result.exitCode, 0) << result.describe();
        EXPECT_EQ(result.out.rfind("Usage: dustlyn", 0), 0u) << result.out;
        for (const char* command : {"scan", "sweep", "quarantine", "restore", "undo", "keep",
                                    "unkeep", "timer", "remove-now", "history", "rules", "status"})
            EXPECT_NE(result.out.find(std::string(" ") + command + " "), std::string::npos)
                << command;
        EXPECT_NE(result.out.find("a symbolic link is refused, never followed"), std::string::npos)
            << "what keep, timer and remove-now do with a link";
        EXPECT_EQ(result.err, "");
    }
}

TEST(Usage, VersionPrintsOneLine) {
    CliHome home;
    const ProcessResult result = home.run({"--version"});
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    EXPECT_EQ(result.out.rfind("dustlyn ", 0), 0u) << result.out;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);
}

} // namespace
} // namespace dustlyn::testing

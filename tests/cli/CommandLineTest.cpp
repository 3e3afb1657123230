#include "app/instance/CommandLine.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

struct ParseCase {
    const char* behaviour;
    std::vector<std::string> words;
    CommandLine expected;
};

TEST(CommandLineParse, ReadsCommandsArgumentsAndOptionsAsDeclared) {
    const std::vector<ParseCase> cases = {
        {"no words start Dustlyn", {}, {"", {}, {}}},
        {"dustlyn's own options",
         {"--headless", "--quiet"},
         {"", {}, {{"--headless", {}}, {"--quiet", {}}}}},
        {"a sub-command is one command",
         {"rules", "enable", "Screenshots"},
         {"rules enable", {"Screenshots"}, {}}},
        {"the words after an option that gathers values are its values",
         {"rules", "add", "Logs", "--ext", "log", "txt", "--folder=/a", "--folder", "/b", "--age",
          "3d"},
         {"rules add",
          {"Logs"},
          {{"--ext", {"log", "txt"}}, {"--folder", {"/a", "/b"}}, {"--age", {"3d"}}}}},
        {"a choice is taken in any case and given as declared",
         {"rules", "edit", "Logs", "--basis", "CREATION"},
         {"rules edit", {"Logs"}, {{"--basis", {"creation"}}}}},
        {"a pane may be written with a hyphen for its space",
         {"settings", "kept-files"},
         {"settings", {"Kept files"}, {}}},
        {"after -- every word is an argument",
         {"keep", "--", "--json", "-h"},
         {"keep", {"--json", "-h"}, {}}},
        {"-h anywhere asks for the command's help, whatever else is half typed",
         {"timer", "-h", "--bogus"},
         {"timer", {}, {{"--help", {}}}}},
        {"-V asks for the version", {"-V"}, {"", {}, {{"--version", {}}}}},
        {"help takes the words of a command",
         {"help", "rules", "add"},
         {"help", {"rules", "add"}, {}}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.behaviour);
        EXPECT_EQ(CommandLine::parse(row.words), row.expected);
    }
}

TEST(CommandLineParse, ValuesAndDurations) {
    const CommandLine line = CommandLine::parse({"history", "--limit", "3", "--limit=5"});
    EXPECT_EQ(line.value("--limit"), "5") << "the last one given";
    EXPECT_EQ(line.values("--limit"), (std::vector<std::string>{"3", "5"}));
    EXPECT_EQ(line.value("--json"), std::nullopt);
    EXPECT_EQ(CommandLine::parseDuration("1.5h"), 5400);
    EXPECT_EQ(CommandLine::parseDuration("2w"), 1209600);
    EXPECT_EQ(CommandLine::parseDuration("soon"), std::nullopt);
}

} // namespace
} // namespace dustlyn::testing

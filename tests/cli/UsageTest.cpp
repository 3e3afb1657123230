#include "app/instance/CommandDeclaration.h"
#include "app/instance/CommandLine.h"
#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

namespace dustlyn::testing {
namespace {

bool isPlaceholder(const std::string& word) {
    return std::none_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The command named by the first one or two of `words`, or nothing.
const CommandDeclaration* commandIn(const std::vector<std::string>& words) {
    if (words.size() >= 2)
        if (const auto* command = CommandDeclaration::find(words[0] + " " + words[1]))
            return command;
    return words.empty() ? nullptr : CommandDeclaration::find(words[0]);
}

// Every `dustlyn …` a message points to names a real command, and `dustlyn help X` a real X.
void expectRealCommands(const std::string& message) {
    static const std::regex quoted("`dustlyn([^`]*)`");
    for (std::sregex_iterator it(message.begin(), message.end(), quoted), end; it != end; ++it) {
        auto words = wordsOf((*it)[1].str());
        if (words.empty() || words.front().starts_with("-") || isPlaceholder(words.front()))
            continue;
        EXPECT_NE(commandIn(words), nullptr) << it->str() << " in: " << message;
        if (words.front() == "help" && words.size() > 1 && !isPlaceholder(words[1])) {
            words.erase(words.begin());
            EXPECT_NE(commandIn(words), nullptr) << it->str() << " in: " << message;
        }
    }
}

TEST(Usage, MistakesExitTwoWithOneLineThatNamesWhatIsWrong) {
    const struct {
        const char* what;
        const char* line;      // the words given, split at spaces
        const char* mentioned; // the message names what was wrong
    } cases[] = {
        {"unknown command", "frobnicate", "unknown command 'frobnicate' (try `dustlyn help`)"},
        {"unknown option", "scan --bogus", "unknown option --bogus (try `dustlyn help scan`)"},
        {"unknown option of dustlyn", "--bogus", "dustlyn: unknown option --bogus"},
        {"missing argument", "timer only-a-path", "missing argument DURATION"},
        {"too many arguments", "sweep extra", "too many arguments, from 'extra' on"},
        {"option without its value", "history --limit", "--limit needs a value (N)"},
        {"flag given a value", "scan --json=yes", "--json takes no value"},
        {"help on no command", "help nonsense", "no command 'nonsense'"},
        {"--help of no command", "nonsense --help", "unknown command 'nonsense'"},
        {"unknown sub-command", "rules frob", "unknown rules command 'frob'"},
        {"a value not among the choices",
         "rules add X --folder /tmp --any --age 1h --basis sometime",
         "--basis is modification or creation, not 'sometime'"},
        {"no such pane", "settings Nowhere", "no pane 'Nowhere'; there are Overview"},
        {"not a time", "scan --at 2026-02-30",
         "--at wants an ISO 8601 time such as 2026-03-01T09:30:00Z or 2026-03-01T09:30 (local), "
         "not '2026-02-30'"},
        {"an option that must be given", "rules add X --any --age 1h", "missing --folder DIR"},
        {"opposite options", "sweep --quiet --verbose",
         "--quiet and --verbose ask for opposite things"},
        {"an option of --headless alone", "--verbose", "--verbose goes with --headless"},
    };
    CliHome home;
    for (const auto& mistake : cases) {
        SCOPED_TRACE(mistake.what);
        const ProcessResult result = home.run(wordsOf(mistake.line));
        expectRefused(result, 2, mistake.mentioned);
        expectRealCommands(result.err);
    }
    EXPECT_FALSE(std::filesystem::exists(home.supportDirectory()));
}

// Each command's help is made from its declaration: asked three ways it says the same, names
// every argument and option, shows an example, and names no option the command has not.
TEST(Usage, EveryCommandHasItsOwnHelp) {
    CliHome home;
    for (const auto& command : CommandDeclaration::all()) {
        if (command.name.empty())
            continue;
        SCOPED_TRACE(command.name);
        const ProcessResult help = home.ok(wordsOf("help " + command.name));
        EXPECT_EQ(help.err, "");
        for (const char* flag : {" --help", " -h"})
            EXPECT_EQ(home.run(wordsOf(command.name + flag)).out, help.out) << flag;
        EXPECT_TRUE(help.out.starts_with("Usage: dustlyn " + command.name)) << help.out;
        EXPECT_TRUE(has(help.out, "Example")) << help.out;
        expectRealCommands(help.out);
        for (const auto& argument : command.arguments)
            EXPECT_TRUE(has(help.out, argument.name)) << argument.name;
        for (const auto& option : command.options)
            EXPECT_TRUE(has(help.out, option.name)) << option.name;

        // The options it names, leaving out those of the other commands it points to, are
        // its own: the parser takes the options a command declares.
        static const std::regex optionWord("--[a-z][a-z-]*");
        const std::string own = std::regex_replace(help.out, std::regex("`[^`]*`"), "");
        for (std::sregex_iterator it(own.begin(), own.end(), optionWord), end; it != end; ++it)
            EXPECT_TRUE(it->str() == "--help" || command.option(it->str()))
                << "the help names " << it->str() << " which is not declared";
    }
}

TEST(Usage, TheListOfCommandsAndTheVersion) {
    CliHome home;
    const std::string overview = home.ok({"help"}).out;
    EXPECT_TRUE(overview.starts_with("Usage: dustlyn")) << overview;
    for (const auto& command : CommandDeclaration::all())
        EXPECT_TRUE(has(overview, "  " + command.name + " ")) << command.name;
    EXPECT_TRUE(has(overview, "a symbolic link is refused"));
    expectRealCommands(overview);
    const std::string version = home.ok({"-V"}).out;
    EXPECT_TRUE(version.starts_with("dustlyn ") && version.find('\n') == version.size() - 1);
    for (const char* asked : {"--help", "-h", "--version", "version"})
        EXPECT_EQ(home.run({asked}).out,
                  std::string(asked).ends_with("ersion") ? version : overview);
}

// What no end-to-end case pins already. (A command and its words, help and the version are
// read as every run of the executable shows.)
TEST(CommandLineParse, ReadsCommandsArgumentsAndOptionsAsDeclared) {
    const struct {
        const char* behaviour;
        std::vector<std::string> words;
        CommandLine expected;
    } cases[] = {
        {"dustlyn's own options",
         {"--headless", "--quiet"},
         {"", {}, {{"--headless", {}}, {"--quiet", {}}}}},
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
    for (const char* refused : {"soon", "10x", "nan", "200000w"})
        EXPECT_EQ(CommandLine::parseDuration(refused), std::nullopt) << refused;
    for (const char* refused : {"tomorrow", "2026-13-01T00:00:00Z", "2026-03-01T25:00",
                                "2026-03-01T09:30:00+1", "2026-02-30", "12:00"})
        EXPECT_EQ(CommandLine::parseTime(refused), std::nullopt) << refused;
}

} // namespace
} // namespace dustlyn::testing

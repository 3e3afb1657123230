// Trees that change under Dustlyn's feet: links given by name, folders swapped for links
// between the scan and the move, names that cannot be numbered the simple way.
#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = DustlynProcess::Clock;
using namespace std::chrono_literals;

// Someone leaves ~/Desktop/passwd.txt leading to a file of theirs elsewhere (as root:
// /etc/passwd). Naming it must never move, time or keep what it leads to, and a timer
// written on it by hand times only the link.
TEST(LinkArguments, AreRefusedWithOneLineAndTheFileTheyLeadToIsNeverTouched) {
    CliHome home;
    const fs::path target = home.home() / "Outside/passwd";
    const fs::path link = home.desktop() / "passwd.txt";
    writeFile(target, "root:x:0:0");
    setModificationDate(target, std::chrono::system_clock::now() - 1h);
    fs::create_directories(home.desktop());
    fs::create_symlink(target, link);
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                      {"timers", {{link.native(), "2025-03-01T09:30:00Z"}}}});
    const std::string before = readFile(home.configFile());
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"remove-now", link.native()},
          {"timer", link.native(), "10m"},
          {"keep", link.native()}}) {
        SCOPED_TRACE(words.front());
        expectRefused(home.run(words), 2,
                      "dustlyn " + words.front() + ": " + link.native() +
                          " is a symbolic link; Dustlyn only moves files");
        EXPECT_EQ(readFile(home.configFile()), before) << "no kept file, no timer";
    }
    EXPECT_EQ(home.ok({"sweep"}).out, "");
    EXPECT_EQ(readFile(target), "root:x:0:0");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
}

TEST(LinkArguments, ALinkAmongTheFoldersAboveTheFileIsFine) {
    CliHome home;
    home.writeConfig({{"rules", json::array()}});
    writeFile(home.desktop() / "f.txt", "f");
    fs::create_directory_symlink(home.desktop(), home.home() / "Linked");
    EXPECT_EQ(home.ok({"remove-now", (home.home() / "Linked/f.txt").native()}).out,
              "Moved " + home.desk("f.txt") + " to " + home.quar("f.txt") + "\n");
    EXPECT_EQ(home.readHistory()[0]["originalPath"], home.desk("f.txt"));
}

bool journalBeingWritten(const CliHome& home) {
    for (const auto& name : namesIn(home.supportDirectory()))
        if (name.starts_with(".sweep-journal.json.tmp-"))
            return true;
    return false;
}

// The scan finds ~/Desktop/sub/secret.txt; before the move, sub becomes a link to a folder
// outside every rule. The sweep's journal is written between the two: strace holds its
// rename for a few seconds, the test swaps the folder meanwhile, then lets it go on.
TEST(SwappedFolder, AFolderSwappedForALinkAfterTheScanFailsItsFileForThisSweep) {
    CliHome home;
    if (!home.canStrace())
        GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
    home.writeRule();
    const Date hourAgo = std::chrono::system_clock::now() - 1h;
    for (const auto& [folder, content] : {std::pair{home.desktop() / "sub", "inside"},
                                          std::pair{home.home() / "Outside", "outside"}}) {
        writeFile(folder / "secret.txt", content);
        setModificationDate(folder / "secret.txt", hourAgo);
    }

    DustlynProcess sweep({"sweep"}, home.tracedEnvironment(), {},
                         strace({"inject=rename:delay_enter=3000000:when=1"}));
    const auto giveUp = Clock::now() + 30s;
    while (!journalBeingWritten(home) && Clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(journalBeingWritten(home)) << "the sweep never planned its moves";
    fs::rename(home.desktop() / "sub", home.desktop() / "sub-moved");
    fs::create_directory_symlink(home.home() / "Outside", home.desktop() / "sub");
    ASSERT_FALSE(fs::exists(home.supportDirectory() / "sweep-journal.json"))
        << "the swap came too late: the moves may have begun";

    const ProcessResult result = sweep.wait(Clock::now() + 30s);
    EXPECT_EQ(result.exitCode, 1) << result.describe();
    EXPECT_EQ(result.err, "Could not move " + (home.desktop() / "sub/secret.txt").native() +
                              ": Too many levels of symbolic links\n");
    EXPECT_EQ(readFile(home.home() / "Outside/secret.txt"), "outside");
    EXPECT_EQ(readFile(home.desktop() / "sub-moved/secret.txt"), "inside");
    EXPECT_TRUE(namesIn(home.quarantine()).empty());
    EXPECT_TRUE(!fs::exists(home.historyFile()) || home.readHistory() == json::array());
}

// The sweep chooses every quarantine name before its first move; files then appear under
// those names. strace holds the first rename for a few seconds once the journal (which names
// the choices) is in place, and the test takes every chosen name meanwhile, and the next one.
TEST(TakenNames, ANameTakenBetweenChoiceAndRenameIsNeverOverwritten) {
    CliHome home;
    if (!home.canStrace())
        GTEST_SKIP() << "strace cannot trace here (ptrace not permitted?)";
    home.writeRule();
    const Date hourAgo = std::chrono::system_clock::now() - 1h;
    for (const auto& file :
         {home.desktop() / "a.txt", home.desktop() / "sub/a.txt", home.desktop() / "b.txt"}) {
        writeFile(file, file.native());
        setModificationDate(file, hourAgo);
    }

    DustlynProcess sweep({"sweep"}, home.tracedEnvironment(), {},
                         strace({"inject=renameat2:delay_enter=3000000:when=1"}));
    const fs::path journal = home.supportDirectory() / "sweep-journal.json";
    const auto giveUp = Clock::now() + 30s;
    while (!fs::exists(journal) && Clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(fs::exists(journal)) << "the sweep never planned its moves";
    // Which file got which name follows the folders' order; the names themselves do not.
    const json plan = json::parse(readFile(journal));
    std::map<std::string, std::string> chosen; // name -> the file given it
    for (const auto& move : plan["moves"])
        chosen[fs::path(move["quarantinePath"].get<std::string>()).filename()] =
            move["originalPath"];
    ASSERT_EQ(chosen.size(), 3u);
    ASSERT_TRUE(chosen.contains("a.txt") && chosen.contains("a (1).txt") &&
                chosen.contains("b.txt"));
    for (const auto& name : {"a.txt", "a (1).txt", "b.txt", "b (1).txt"})
        writeFile(home.quarantine() / name, std::string("came meanwhile: ") + name);
    ASSERT_EQ(namesIn(home.desktop()).size(), 3u) << "the takers came too late: files had moved";

    const ProcessResult result = sweep.wait(Clock::now() + 30s);
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    for (const auto& name : {"a.txt", "a (1).txt", "b.txt", "b (1).txt"})
        EXPECT_EQ(readFile(home.quarantine() / name), std::string("came meanwhile: ") + name);
    // Each file took the next free name after the one it was given, and is recorded there.
    const std::map<std::string, std::string> landed = {{chosen["a.txt"], "a (2).txt"},
                                                       {chosen["a (1).txt"], "a (1) (1).txt"},
                                                       {chosen["b.txt"], "b (2).txt"}};
    for (const auto& [origin, name] : landed)
        EXPECT_EQ(readFile(home.quarantine() / name), origin) << name;
    std::map<std::string, std::string> recorded;
    for (const auto& entry : home.readHistory())
        recorded[entry["originalPath"]] =
            fs::path(entry["quarantinePath"].get<std::string>()).filename().native();
    EXPECT_EQ(recorded, landed);
    EXPECT_FALSE(fs::exists(journal));
}

} // namespace
} // namespace dustlyn::testing

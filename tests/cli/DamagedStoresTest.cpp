// A configuration or history that cannot be read whole: nothing of it is lost, nothing is
// purged on the defaults, and every command says so once.
#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace dustlyn::testing {
namespace {

std::size_t linesWith(const ProcessResult& result, const std::string& text) {
    const auto lines = linesOf(result.err);
    return std::ranges::count_if(lines, [&](const auto& l) { return has(l, text); });
}

fs::path damagedCopy(const fs::path& file) {
    return fs::path(file.native() + ".damaged");
}

// The user kept quarantined files for 30 days; then a write was torn half way.
TEST(DamagedConfiguration, IsNeverReplacedAndNothingIsPurgedWhileItCannotBeRead) {
    CliHome home;
    const std::string settings =
        json({{"rules", {globRule("*.txt", "~/Desktop", 60)}}, {"quarantineTTL", 30 * 86400}})
            .dump(2);
    const std::string torn = settings.substr(0, settings.size() / 2);
    writeFile(home.configFile(), torn);
    writeFile(home.quarantine() / "ten-days.txt", "still wanted");
    setModificationDate(home.quarantine() / "ten-days.txt",
                        std::chrono::system_clock::now() - std::chrono::hours(240));
    writeFile(home.desktop() / "a.txt", "a");
    const std::string damaged =
        "dustlyn: the configuration " + home.configFile().native() + " could not be read";

    const ProcessResult changed = home.run({"timer", home.desk("a.txt"), "1h"});
    EXPECT_EQ(changed.exitCode, 1) << changed.describe();
    EXPECT_EQ(changed.out, "");
    EXPECT_EQ(linesWith(changed, damaged), 1u) << changed.err;
    EXPECT_TRUE(has(changed.err, "kept in " + damagedCopy(home.configFile()).native()));
    EXPECT_EQ(readFile(home.configFile()), torn) << "the user's settings are never replaced";
    EXPECT_EQ(readFile(damagedCopy(home.configFile())), torn);
    const ProcessResult swept = home.ok({"sweep"});
    EXPECT_EQ(swept.out, "");
    EXPECT_EQ(linesWith(swept, damaged), 1u) << swept.err;
    EXPECT_EQ(readFile(home.quarantine() / "ten-days.txt"), "still wanted")
        << "the defaults' 7 days are not the user's retention";

    // Said once, never silently, by what only reads too.
    for (const char* line : {"quarantine", "scan --json", "rules"}) {
        SCOPED_TRACE(line);
        const ProcessResult read = home.ok(wordsOf(line));
        EXPECT_EQ(linesOf(read.err).size(), 1u) << read.err;
        EXPECT_EQ(linesWith(read, damaged), 1u) << read.err;
    }
}

TEST(DamagedHistory, OneBadEntryCostsOnlyItsOwnOrigin) {
    CliHome home;
    json entries = json::array();
    for (const char* name : {"A", "B", "C"}) {
        writeFile(home.quarantine() / name, "data");
        entries.push_back(historyEntry(std::string("00000000-0000-4000-8000-00000000000") + name,
                                       "quarantined", home.home() / "Projects" / name,
                                       home.quarantine() / name));
    }
    entries[1]["date"] = "yesterday";
    writeFile(home.historyFile(), entries.dump());
    const std::string notice = "dustlyn: the history " + home.historyFile().native() +
                               " has 1 entry that could not be read";

    const ProcessResult history = home.ok({"history", "--json"});
    json listed = json::array();
    for (const auto& entry : parseOrDiscard(history.out))
        listed.push_back(entry["quarantinePath"]);
    EXPECT_EQ(listed, json::array({home.quar("C"), home.quar("A")}));
    EXPECT_EQ(linesOf(history.err).size(), 1u) << history.err;
    EXPECT_TRUE(history.err.starts_with(notice)) << history.err;
    const std::string quarantine = home.run({"quarantine"}).out;
    for (const char* text : {"from ~/Projects/A", "from ~/Projects/C", "origin unknown"})
        EXPECT_TRUE(has(quarantine, text)) << text << " in " << quarantine;

    // Put back where it came from; the file is written anew and its old bytes kept aside.
    const std::string origin = (home.home() / "Projects/C").native();
    const ProcessResult restored = home.ok({"restore", origin});
    EXPECT_EQ(restored.out, "Restored " + origin + "\n");
    EXPECT_EQ(linesWith(restored, notice), 1u) << restored.err;
    EXPECT_EQ(readFile(damagedCopy(home.historyFile())), entries.dump());
    EXPECT_EQ(home.readHistory().size(), 3u) << "two readable entries and the restore";
    EXPECT_EQ(home.run({"history"}).err, "") << "said until the history is written anew";
}

// Hand-edited numbers that cannot be lengths of time are never taken as "already due" (each
// number is told apart by the core's tests), and a change writes them back as their defaults:
// the rule is off, and the day-old quarantined file stays.
TEST(OutOfRangeNumbers, AreNeverTakenAsAlreadyDue) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", -3600)}}, {"quarantineTTL", 0}});
    makeOldFiles(home.desktop(), 1);
    writeFile(home.quarantine() / "yesterday.txt", "a day in the quarantine");
    setModificationDate(home.quarantine() / "yesterday.txt",
                        std::chrono::system_clock::now() - std::chrono::hours(24));
    const ProcessResult swept = home.ok({"sweep"});
    EXPECT_EQ(swept.out, "");
    EXPECT_EQ(linesOf(swept.err).size(), 2u) << swept.err;
    EXPECT_TRUE(has(swept.err, "quarantineTTL 0 is not a length of time; the default of 7 "
                               "days stands in") &&
                has(swept.err, "has the age -3600.0, which is not a length of time; the rule "
                               "is off"))
        << swept.err;
    EXPECT_TRUE(fs::exists(home.desk("note-0001.txt")));
    EXPECT_TRUE(fs::exists(home.quarantine() / "yesterday.txt"));
    home.ok({"keep", home.desk("note-0001.txt")});
    EXPECT_EQ(home.readConfig()["quarantineTTL"], 604800);
}

// A quarantine setting that would hold the user's own files (here the home folder) is never
// used: whatever lies in the quarantine is deleted once it is old enough. The month-old letter
// in the home may never be listed or purged, and the default quarantine still works as it
// should. (Every kind of refused folder is told apart by the core's own tests.)
const Date monthAgo = std::chrono::system_clock::now() - std::chrono::hours(24 * 30);

TEST(RefusedQuarantine, IsReadAsTheDefaultQuarantineAndSaidOnce) {
    CliHome home;
    home.writeConfig({{"rules", json::array()}, {"quarantineDirectory", "~/"}});
    writeFile(home.home() / "letter.txt", "the user's own");
    setModificationDate(home.home() / "letter.txt", monthAgo);
    writeFile(home.quarantine() / "expired.txt", "quarantined long ago");
    setModificationDate(home.quarantine() / "expired.txt", monthAgo);

    const ProcessResult listed = home.ok({"quarantine", "--json"});
    const json files = parseOrDiscard(listed.out);
    ASSERT_EQ(files.size(), 1u) << listed.describe();
    EXPECT_EQ(files[0]["url"], home.quar("expired.txt"));
    EXPECT_EQ(linesOf(listed.err).size(), 1u) << listed.describe();
    EXPECT_TRUE(has(listed.err, "the quarantine folder \"~/\" cannot be used") &&
                has(listed.err, "it is your home folder"))
        << listed.err;
    // Of unknown origin, it is named by where it lay in the quarantine.
    EXPECT_EQ(home.ok({"sweep"}).out, "Deleted 1 file from quarantine for good (20 bytes):\n  " +
                                          home.quar("expired.txt") + "\n");
    EXPECT_EQ(readFile(home.home() / "letter.txt"), "the user's own");
    EXPECT_FALSE(fs::exists(home.quarantine() / "expired.txt"));
}

// "/" (and "" which names it) can only be tried where "/" is a throw-away tree: a chroot
// holding dustlyn, the libraries it needs and a home. Why none can be made in `root`, or
// nothing when it was.
std::optional<std::string> makeChroot(const fs::path& root) {
    if (::geteuid() != 0)
        return "only root may chroot";
#if defined(__SANITIZE_ADDRESS__)
    return "the sanitizers read their options from /proc, which the chroot has not";
#endif
    // Each word of ldd's that is a full path names a library: linked in where it can be (the
    // libraries are large), else copied.
    const std::string copy = "cd '" + root.native() +
                             "' && libs=$(ldd '" DUSTLYN_EXE "' | grep -o '/[^ ]*') || exit 1; "
                             "for f in $libs; do cp -lL --parents $f . 2>/dev/null || "
                             "cp -L --parents $f . || exit 1; done";
    if (std::system(copy.c_str()) != 0)
        return "dustlyn's libraries cannot be copied";
    fs::copy_file(DUSTLYN_EXE, root / "dustlyn");
    for (const char* folder : {"home/.local/share/Dustlyn", "home/.config", "run", "tmp"})
        fs::create_directories(root / folder);
    fs::permissions(root / "run", fs::perms::owner_all, fs::perm_options::replace);
    return std::nullopt;
}

TEST(QuarantineSetting, TheRootFolderIsNeverTheQuarantine) {
    for (const std::string setting : {"/", ""}) {
        SCOPED_TRACE("quarantineDirectory \"" + setting + "\"");
        const TempDir root("dustlyn-chroot");
        if (const auto why = makeChroot(root.path()))
            GTEST_SKIP() << "needs a chroot: " << *why;
        writeFile(root / "home/.local/share/Dustlyn/config.json",
                  json({{"rules", json::array()}, {"quarantineDirectory", setting}}).dump(2));
        writeFile(root / "victim.txt", "a file of the system");
        setModificationDate(root / "victim.txt", monthAgo);
        const auto run = [&](const std::vector<std::string>& words) {
            // sh ROOT DUSTLYN_EXE WORDS…: the executable given is replaced by the chroot's copy.
            return DustlynProcess(
                       words,
                       {"HOME=/home", "XDG_DATA_HOME=/home/.local/share",
                        "XDG_CONFIG_HOME=/home/.config", "XDG_RUNTIME_DIR=/run",
                        "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "TZ=UTC"},
                       {},
                       {"sh", "-c",
                        "root=$1; shift 2; exec /usr/sbin/chroot \"$root\" /dustlyn \"$@\"", "sh",
                        root.path().native()})
                .wait(Clock::now() + 60s);
        };

        const ProcessResult listed = run({"quarantine", "--json"});
        EXPECT_EQ(listed.exitCode, 0) << listed.describe();
        EXPECT_EQ(parseOrDiscard(listed.out), json::array()) << listed.describe();
        EXPECT_TRUE(has(listed.err, "cannot be used")) << listed.err;
        const ProcessResult swept = run({"sweep"});
        EXPECT_EQ(swept.exitCode, 0) << swept.describe();
        EXPECT_EQ(swept.out, "") << swept.describe();
        EXPECT_EQ(readFile(root / "victim.txt"), "a file of the system");
    }
}

} // namespace
} // namespace dustlyn::testing

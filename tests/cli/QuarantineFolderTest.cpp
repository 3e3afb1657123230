// A quarantine setting that would hold the user's own files is never used: whatever lies in
// the quarantine is deleted once it is old enough.
#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

const Date monthAgo = std::chrono::system_clock::now() - std::chrono::hours(24 * 30);

struct RefusedFolder {
    std::string setting;   // quarantineDirectory as written in config.json
    std::string victim;    // a month-old file of the user's, relative to the home
    std::string reason;    // what the notice says about the setting
    bool fromHome = false; // run in the home folder, so that a relative path means it
};

// The month-old file lies in (or under) the folder the setting names; neither the listing nor
// the purge may ever see it, and the default quarantine still works as it should. (Every kind
// of refused folder is told apart by the core's own tests; here each way of refusing once.)
TEST(RefusedQuarantine, IsReadAsTheDefaultQuarantineAndSaidOnce) {
    const std::vector<RefusedFolder> rows = {
        {"~/", "letter.txt", "it is your home folder"},
        {"~/Notes", "Notes/idea.odt", "the folder ~/Notes of the rule"},
        {"~/.local/share", ".local/share/other/data.db", "it holds Dustlyn's own folder"},
        {"Documents", "Documents/thesis.odt", "it is not a full path", true},
        {"  ", "letter.txt", "no folder is named", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.setting);
        CliHome home;
        home.writeConfig(
            {{"rules", {globRule("*.txt", "~/Notes", 600)}}, {"quarantineDirectory", row.setting}});
        const fs::path victim = home.home() / row.victim;
        writeFile(victim, "the user's own");
        setModificationDate(victim, monthAgo);
        writeFile(home.quarantine() / "expired.txt", "quarantined long ago");
        setModificationDate(home.quarantine() / "expired.txt", monthAgo);
        const fs::path workingDirectory = row.fromHome ? home.home() : fs::path();

        const ProcessResult listed = home.ok({"quarantine", "--json"}, workingDirectory);
        const json files = parseOrDiscard(listed.out);
        ASSERT_EQ(files.size(), 1u) << listed.describe();
        EXPECT_EQ(files[0]["url"], home.quar("expired.txt"));
        EXPECT_EQ(listed.errLines().size(), 1u) << listed.describe();
        EXPECT_TRUE(
            has(listed.err, "the quarantine folder \"" + row.setting + "\" cannot be used") &&
            has(listed.err, row.reason))
            << listed.err;
        // Of unknown origin, it is named by where it lay in the quarantine.
        EXPECT_EQ(home.ok({"sweep"}, workingDirectory).out,
                  "Deleted 1 file from quarantine for good (20 bytes):\n  " +
                      home.quar("expired.txt") + "\n");
        EXPECT_EQ(readFile(victim), "the user's own");
        EXPECT_FALSE(fs::exists(home.quarantine() / "expired.txt"));
    }
}

TEST(QuarantineSetting, AFolderOfItsOwnStaysInUse) {
    CliHome home;
    home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                      {"quarantineDirectory", "~/Attic/Quarantine"}});
    makeOldFiles(home.desktop(), 1);
    EXPECT_EQ(home.ok({"sweep"}).err, "");
    EXPECT_EQ(readFile(home.home() / "Attic/Quarantine/note-0001.txt"), "note-0001.txt");
}

// "/" (and "" which names it) can only be tried where "/" is a throw-away tree: a chroot
// holding dustlyn, the libraries it needs and a home.
class ChrootHome {
public:
    // Why no chroot can be made here, or nothing when it was.
    std::optional<std::string> build();

    const fs::path& root() const { return dir_.path(); }
    ProcessResult run(const std::vector<std::string>& words) const;
    void writeConfig(const json& config) const {
        writeFile(root() / "home/.local/share/Dustlyn/config.json", config.dump(2));
    }

private:
    void place(const fs::path& file) const;

    TempDir dir_{"dustlyn-chroot"};
};

void ChrootHome::place(const fs::path& file) const {
    const fs::path target = root() / file.relative_path();
    fs::create_directories(target.parent_path());
    std::error_code error;
    // A hard link when it can be: the libraries are large.
    fs::create_hard_link(fs::canonical(file), target, error);
    if (error)
        fs::copy_file(fs::canonical(file), target);
}

std::optional<std::string> ChrootHome::build() {
    if (::geteuid() != 0)
        return "only root may chroot";
#if defined(__SANITIZE_ADDRESS__)
    return "the sanitizers read their options from /proc, which the chroot has not";
#endif
    const std::string command = std::string("ldd '") + DUSTLYN_EXE + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return "ldd cannot be run";
    char line[4096];
    std::vector<fs::path> libraries;
    while (std::fgets(line, sizeof line, pipe)) {
        const std::string text(line);
        const auto slash = text.find('/');
        if (slash == std::string::npos)
            continue;
        libraries.emplace_back(text.substr(slash, text.find(' ', slash) - slash));
    }
    if (::pclose(pipe) != 0 || libraries.empty())
        return "ldd cannot list dustlyn's libraries";
    for (auto& library : libraries) {
        while (!library.empty() &&
               std::isspace(static_cast<unsigned char>(library.native().back())))
            library = library.native().substr(0, library.native().size() - 1);
        place(library);
    }
    fs::copy_file(DUSTLYN_EXE, root() / "dustlyn");
    for (const char* folder : {"home/.local/share", "home/.config", "run", "tmp"})
        fs::create_directories(root() / folder);
    fs::permissions(root() / "run", fs::perms::owner_all, fs::perm_options::replace);
    return std::nullopt;
}

ProcessResult ChrootHome::run(const std::vector<std::string>& words) const {
    const std::vector<std::string> environment = {"HOME=/home",
                                                  "XDG_DATA_HOME=/home/.local/share",
                                                  "XDG_CONFIG_HOME=/home/.config",
                                                  "XDG_RUNTIME_DIR=/run",
                                                  "PATH=/usr/bin:/bin",
                                                  "LANG=C.UTF-8",
                                                  "TZ=UTC"};
    // sh ROOT DUSTLYN_EXE WORDS…: the executable given is replaced by the chroot's copy.
    const std::vector<std::string> launcher = {
        "sh", "-c", "root=$1; shift 2; exec /usr/sbin/chroot \"$root\" /dustlyn \"$@\"", "sh",
        root().native()};
    DustlynProcess process(words, environment, {}, launcher);
    return process.wait(DustlynProcess::Clock::now() + 60s);
}

TEST(QuarantineSetting, TheRootFolderIsNeverTheQuarantine) {
    for (const std::string setting : {"/", ""}) {
        SCOPED_TRACE("quarantineDirectory \"" + setting + "\"");
        ChrootHome chroot;
        if (const auto why = chroot.build())
            GTEST_SKIP() << "needs a chroot: " << *why;
        chroot.writeConfig({{"rules", json::array()}, {"quarantineDirectory", setting}});
        const fs::path victim = chroot.root() / "victim.txt";
        writeFile(victim, "a file of the system");
        setModificationDate(victim, monthAgo);

        const ProcessResult listed = chroot.run({"quarantine", "--json"});
        EXPECT_EQ(listed.exitCode, 0) << listed.describe();
        EXPECT_EQ(parseOrDiscard(listed.out), json::array()) << listed.describe();
        EXPECT_TRUE(has(listed.err, "cannot be used")) << listed.err;
        const ProcessResult swept = chroot.run({"sweep"});
        EXPECT_EQ(swept.exitCode, 0) << swept.describe();
        EXPECT_EQ(swept.out, "") << swept.describe();
        EXPECT_EQ(readFile(victim), "a file of the system");
    }
}

} // namespace
} // namespace dustlyn::testing

#include "core/config/UserFolders.h"
#include "core/config/DefaultRules.h"
#include "core/config/QuarantineFolder.h"
#include "core/rules/NameMatcher.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(UserFolders, xdgVariablesMoveTheDataConfigAndCacheFolders) {
    TempDir home("dustlyn-folders");
    const UserFolders plain = UserFolders::make(home.path());
    EXPECT_EQ(plain.thumbnailDirectory(), home / ".cache/thumbnails");
    EXPECT_EQ(plain.legacyQuarantineText(), "~/.local/share/Kelvo/Quarantine");
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"/srv/data", "/srv/data/Dustlyn/Quarantine"},
        {(home / "xdg").native(), "~/xdg/Dustlyn/Quarantine"},
        {"relative/share", "~/.local/share/Dustlyn/Quarantine"},
        {"", "~/.local/share/Dustlyn/Quarantine"},
    };
    for (const auto& [dataHome, quarantineText] : rows) {
        SCOPED_TRACE(dataHome);
        const UserFolders folders = UserFolders::make(home.path(), dataHome);
        EXPECT_EQ(folders.defaultQuarantineText(), quarantineText);
        EXPECT_EQ(folders.legacyDirectory(), folders.supportDirectory().parent_path() / "Kelvo");
    }
    EXPECT_EQ(UserFolders::make(home.path(), {}, "relative").configHome, home / ".config");
    EXPECT_EQ(UserFolders::make(home.path(), {}, {}, "/var/cache/ann").thumbnailDirectory(),
              "/var/cache/ann/thumbnails");
}

TEST(UserFolders, readsTheUserDirectoriesFile) {
    struct Row {
        const char* behaviour;
        std::string file;                  // "{home}" stands for the home folder
        std::vector<std::string> expected; // desktop, downloads, pictures, videos
    };
    const std::vector<Row> rows = {
        {"the file as xdg-user-dirs writes it",
         "# This file is written by xdg-user-dirs-update\n"
         "# Format is XDG_xxx_DIR=\"$HOME/yyy\"\n"
         "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
         "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n"
         "XDG_MUSIC_DIR=\"$HOME/Musique\"\n"
         "XDG_PICTURES_DIR=\"$HOME/Images\"\n"
         "XDG_VIDEOS_DIR=\"$HOME/Vidéos\"\n",
         {"~/Bureau", "~/Téléchargements", "~/Images", "~/Vidéos"}},
        {"absolute paths are written with a tilde under the home folder only",
         "XDG_DESKTOP_DIR=\"{home}/Schreibtisch\"\nXDG_PICTURES_DIR=\"{home}/media/Bilder/\"\n"
         "XDG_DOWNLOAD_DIR=\"/srv/downloads\"\n",
         {"~/Schreibtisch", "/srv/downloads", "~/media/Bilder", "~/Videos"}},
        {"comments, relative, unexpanded and home-folder values are ignored",
         "# XDG_DESKTOP_DIR=\"$HOME/Old\"\n  #XDG_DOWNLOAD_DIR=\"$HOME/Old\"\nXDG_MUSIC_DIR=x\n"
         "XDG_DESKTOP_DIR=\"Desktop\"\nXDG_DOWNLOAD_DIR=\"${HOME}/dl\"\nXDG_PICTURES_DIR=\"\"\n"
         "XDG_PICTURES_DIR=\"$HOME/\"\nXDG_VIDEOS_DIR=\"{home}\"\n",
         {"~/Desktop", "~/Downloads", "~/Pictures", "~/Videos"}},
        {"shell escapes inside the quotes",
         "XDG_DESKTOP_DIR=\"$HOME/say \\\"hi\\\"\"\nXDG_PICTURES_DIR=\"$HOME/a\\\\b\"\n",
         {"~/say \"hi\"", "~/Downloads", "~/a\\b", "~/Videos"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        TempDir home("dustlyn-folders");
        testing::writeFile(home / ".config/user-dirs.dirs",
                           replaced(row.file, "{home}", home.path().native()));
        const UserFolders folders = UserFolders::make(home.path());
        EXPECT_EQ((std::vector<std::string>{folders.desktop, folders.downloads, folders.pictures,
                                            folders.videos}),
                  row.expected);
    }
}

// The file is read from the XDG configuration folder.
TEST(UserFolders, theFileIsReadFromTheXdgConfigFolder) {
    TempDir home("dustlyn-folders");
    TempDir config("dustlyn-folders-config");
    testing::writeFile(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Wrong\"\n");
    testing::writeFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Right\"\n");
    EXPECT_EQ(UserFolders::make(home.path(), {}, config.path().native()).desktop, "~/Right");
}

using Folders = std::vector<std::string>;

UserFolders englishFolders() {
    return UserFolders::make("/nonexistent-home/tester");
}

UserFolders frenchFolders() {
    UserFolders folders = englishFolders();
    folders.desktop = "~/Bureau";
    folders.downloads = "/data/Téléchargements";
    folders.pictures = "~/Images";
    folders.videos = "~/Vidéos";
    return folders;
}

// Identifiers stay the same for the run and differ from each other; folders follow the user
// directories; only screenshots and recordings leave without the user switching a rule on.
TEST(DefaultRules, identifiersStayTheFoldersFollowTheUserDirectoriesAndTwoAreOn) {
    const auto english = DefaultRules::all(englishFolders());
    const auto french = DefaultRules::all(frenchFolders());
    ASSERT_EQ(english.size(), 6u);
    std::set<Uuid> ids{PurgeRule::manualID()};
    for (std::size_t i = 0; i < english.size(); ++i) {
        EXPECT_EQ(english[i].id, french[i].id);
        ids.insert(english[i].id);
        EXPECT_EQ(english[i].enabled, i < 2) << english[i].name;
    }
    EXPECT_EQ(ids.size(), 7u);
    EXPECT_EQ(french[1].folders,
              (Folders{"~/Bureau", "~/Images/Screenshots", "~/Vidéos/Screencasts"}));
    EXPECT_EQ(french[3].folders, Folders{"/data/Téléchargements"});
    EXPECT_EQ(french[5].folders, Folders{"~/Bureau"});
}

// The names the Linux desktops give screenshots and recordings, and one case of each matcher
// kind; the extension lists themselves are not repeated here.
TEST(DefaultRules, matchersTakeTheLinuxFileNames) {
    struct Row {
        std::size_t rule;
        const char* name;
        bool accepted;
    };
    const std::vector<Row> rows = {
        {0, "Screenshot from 2024-05-01 10-00-00.png", true},
        {0, "My Screenshot.png", false},
        {1, "Screencast from 2024-05-01 10-00-00.webm", true},
        {1, "Screen Recording 2024-01-02 at 09.10.11.mov", true},
        {2, "tool_1.0_amd64.deb", true},
        {2, "notes.txt", false},
        {3, "a.tar.gz", true},
        {4, "anything", true},
        {5, "letter.pdf", true},
        {5, "photo.png", false},
    };
    const auto rules = DefaultRules::all(englishFolders());
    for (const auto& row : rows) {
        SCOPED_TRACE(rules[row.rule].name + " with " + row.name);
        EXPECT_EQ(NameMatcher(rules[row.rule].matchers).matches(row.name), row.accepted);
    }
}

class QuarantineFolderTest : public ::testing::Test {
protected:
    TempDir home{"dustlyn-quarantine-folder"};
    UserFolders folders = UserFolders::make(home.path());
    std::vector<PurgeRule> rules = {
        {Uuid::random(), "Projects", true, {"~/Work/Projects"}, {}, 60, AgeBasis::modification}};
};

// Everything in the quarantine is deleted once it expires.
TEST_F(QuarantineFolderTest, aFolderHoldingTheUsersFilesIsRefusedWithTheReason) {
    fs::create_directories(home / "Work/Projects");
    fs::create_directory_symlink(home / "Work", home / "work-link");
    const std::vector<std::pair<std::string, std::optional<std::string>>> rows = {
        {"~/.local/share/Dustlyn/Quarantine", std::nullopt},
        {"~/Desktop/Quarantine", std::nullopt},
        {"", "no folder is named"},
        {"Quarantine",
         "it is not a full path from the root folder (\"/\") or your home folder (\"~\")"},
        {"/", "it is the root folder, which holds every file of the computer"},
        {"~", "it is your home folder"},
        {(home / "Desktop/..").native(), "it is your home folder"},
        {fs::path(home.path()).parent_path().native(), "it holds your home folder"},
        {"~/Downloads/", "it is your Downloads folder"},
        {"~/.local/share/Dustlyn", "it is Dustlyn's own folder with its settings and history"},
        {"~/work-link/Projects", "it is the folder ~/Work/Projects of the rule \"Projects\""},
    };
    for (const auto& [text, reason] : rows) {
        SCOPED_TRACE("\"" + text + "\"");
        EXPECT_EQ(QuarantineFolder::problem(text, rules, folders), reason);
    }
}

// The default is always fine, even when a rule (oddly) lists it or the data folder lies on
// the Desktop; the user's own folders come from their settings file.
TEST_F(QuarantineFolderTest, theDefaultQuarantineIsAlwaysFineAndTheUsersFoldersAreTheirOwn) {
    rules[0].folders.push_back("~/.local/share/Dustlyn/Quarantine");
    EXPECT_EQ(QuarantineFolder::problem("~/.local/share/Dustlyn/Quarantine", rules, folders),
              std::nullopt);
    const UserFolders onDesktop = UserFolders::make(home.path(), (home / "Desktop").native());
    EXPECT_EQ(QuarantineFolder::problem("~/Desktop/Dustlyn/Quarantine", {}, onDesktop),
              std::nullopt);
    testing::writeFile(home / ".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    const UserFolders configured = UserFolders::make(home.path());
    EXPECT_EQ(QuarantineFolder::problem("~/Papers", {}, configured), "it is your Documents folder");
    EXPECT_EQ(QuarantineFolder::problem("~/Documents", {}, configured), std::nullopt);
}

// Files already in a chosen folder must never be taken for quarantined ones.
TEST_F(QuarantineFolderTest, aChosenFolderThatHoldsSomethingGetsADedicatedFolderInside) {
    testing::writeFile(home / "Full/photo.png");
    fs::create_directories(home / "Empty");
    testing::writeFile(home / "Old/Dustlyn Quarantine/kept.png");
    testing::writeFile(home / ".local/share/Dustlyn/Quarantine/shot.png");
    testing::writeFile(home / "Current/shot.png");
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"~/Empty", "~/Empty"},
        {"~/Full", "~/Full/Dustlyn Quarantine"},
        {"~/Old", "~/Old/Dustlyn Quarantine"},
        {"~/Old/Dustlyn Quarantine", "~/Old/Dustlyn Quarantine"},
        {"~/.local/share/Dustlyn/Quarantine", "~/.local/share/Dustlyn/Quarantine"},
        {(home / "Current").native(), (home / "Current").native()},
    };
    for (const auto& [chosen, stored] : rows) {
        SCOPED_TRACE(chosen);
        EXPECT_EQ(QuarantineFolder::forChoice(chosen, "~/Current", folders), stored);
    }
}

} // namespace
} // namespace dustlyn

#include "core/config/QuarantineFolder.h"
#include "core/config/DefaultRules.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

class QuarantineFolderTest : public ::testing::Test {
protected:
    testing::TempDir home{"dustlyn-quarantine-folder"};
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
        {"~/.local", "it holds Dustlyn's own folder with its settings and history"},
        {"~/.config", "it is the folder of your programs' settings"},
        {"~/work-link/Projects", "it is the folder ~/Work/Projects of the rule \"Projects\""},
        {"~/Work", "it holds the folder ~/Work/Projects of the rule \"Projects\""},
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

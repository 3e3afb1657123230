#include "core/config/UserFolders.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

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

TEST(UserFolders, withoutXdgVariablesTheDefaultFoldersApply) {
    TempDir home("dustlyn-folders");
    const UserFolders folders = UserFolders::make(home.path());
    EXPECT_EQ(folders.home, home.path());
    EXPECT_EQ(folders.dataHome, home / ".local/share");
    EXPECT_EQ(folders.configHome, home / ".config");
    EXPECT_EQ(folders.thumbnailDirectory(), home / ".cache/thumbnails");
    EXPECT_EQ(folders.supportDirectory(), home / ".local/share/Dustlyn");
    EXPECT_EQ(folders.legacyDirectory(), home / ".local/share/Kelvo");
    EXPECT_EQ(folders.defaultQuarantineText(), "~/.local/share/Dustlyn/Quarantine");
    EXPECT_EQ(folders.legacyQuarantineText(), "~/.local/share/Kelvo/Quarantine");
}

TEST(UserFolders, xdgVariablesMoveTheDataConfigAndCacheFolders) {
    TempDir home("dustlyn-folders");
    struct Row {
        const char* behaviour;
        std::string dataHome;
        fs::path support;
        std::string quarantineText;
    };
    const std::vector<Row> rows = {
        {"outside the home folder", "/srv/data", "/srv/data/Dustlyn",
         "/srv/data/Dustlyn/Quarantine"},
        {"inside the home folder", (home / "xdg").native(), home / "xdg/Dustlyn",
         "~/xdg/Dustlyn/Quarantine"},
        {"a relative value is ignored", "relative/share", home / ".local/share/Dustlyn",
         "~/.local/share/Dustlyn/Quarantine"},
        {"an empty value is ignored", "", home / ".local/share/Dustlyn",
         "~/.local/share/Dustlyn/Quarantine"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const UserFolders folders = UserFolders::make(home.path(), row.dataHome);
        EXPECT_EQ(folders.supportDirectory(), row.support);
        EXPECT_EQ(folders.defaultQuarantineText(), row.quarantineText);
        EXPECT_EQ(folders.legacyDirectory(), row.support.parent_path() / "Kelvo");
    }
    EXPECT_EQ(UserFolders::make(home.path(), {}, "relative").configHome, home / ".config");
    EXPECT_EQ(UserFolders::make(home.path(), {}, {}, "/var/cache/ann").thumbnailDirectory(),
              "/var/cache/ann/thumbnails");
    EXPECT_EQ(UserFolders::make(home.path(), {}, {}, "cache").cacheHome, home / ".cache");
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
         "XDG_TEMPLATES_DIR=\"$HOME/Modèles\"\n"
         "XDG_PUBLICSHARE_DIR=\"$HOME/Public\"\n"
         "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
         "XDG_MUSIC_DIR=\"$HOME/Musique\"\n"
         "XDG_PICTURES_DIR=\"$HOME/Images\"\n"
         "XDG_VIDEOS_DIR=\"$HOME/Vidéos\"\n",
         {"~/Bureau", "~/Téléchargements", "~/Images", "~/Vidéos"}},
        {"absolute paths under the home folder are written with a tilde",
         "XDG_DESKTOP_DIR=\"{home}/Schreibtisch\"\nXDG_PICTURES_DIR=\"{home}/media/Bilder/\"\n",
         {"~/Schreibtisch", "~/Downloads", "~/media/Bilder", "~/Videos"}},
        {"absolute paths elsewhere stay as they are",
         "XDG_DOWNLOAD_DIR=\"/srv/downloads\"\nXDG_VIDEOS_DIR=\"/mnt/media/Videos\"\n",
         {"~/Desktop", "/srv/downloads", "~/Pictures", "/mnt/media/Videos"}},
        {"missing entries keep the English names",
         "XDG_MUSIC_DIR=\"$HOME/Music\"\n",
         {"~/Desktop", "~/Downloads", "~/Pictures", "~/Videos"}},
        {"commented-out entries are ignored",
         "# XDG_DESKTOP_DIR=\"$HOME/Old\"\n  #XDG_DOWNLOAD_DIR=\"$HOME/Old\"\n",
         {"~/Desktop", "~/Downloads", "~/Pictures", "~/Videos"}},
        {"relative and unexpanded values are ignored",
         "XDG_DESKTOP_DIR=\"Desktop\"\nXDG_DOWNLOAD_DIR=\"${HOME}/dl\"\n"
         "XDG_PICTURES_DIR=\"\"\n",
         {"~/Desktop", "~/Downloads", "~/Pictures", "~/Videos"}},
        {"a directory turned off by pointing it at the home folder",
         "XDG_DESKTOP_DIR=\"$HOME\"\nXDG_DOWNLOAD_DIR=\"$HOME/\"\nXDG_VIDEOS_DIR=\"{home}\"\n",
         {"~/Desktop", "~/Downloads", "~/Pictures", "~/Videos"}},
        {"spaces, carriage returns and unquoted values",
         "  XDG_DESKTOP_DIR = \"$HOME/My Desk\"  \r\nXDG_VIDEOS_DIR=$HOME/Clips\r\n",
         {"~/My Desk", "~/Downloads", "~/Pictures", "~/Clips"}},
        {"shell escapes inside the quotes",
         "XDG_DESKTOP_DIR=\"$HOME/say \\\"hi\\\"\"\nXDG_PICTURES_DIR=\"$HOME/a\\\\b\"\n",
         {"~/say \"hi\"", "~/Downloads", "~/a\\b", "~/Videos"}},
        {"the last of repeated entries wins",
         "XDG_DESKTOP_DIR=\"$HOME/One\"\nXDG_DESKTOP_DIR=\"$HOME/Two\"\n",
         {"~/Two", "~/Downloads", "~/Pictures", "~/Videos"}},
        {"lines without a value",
         "XDG_DESKTOP_DIR\n=\"$HOME/x\"\n\n",
         {"~/Desktop", "~/Downloads", "~/Pictures", "~/Videos"}},
        {"dot components are tidied",
         "XDG_DESKTOP_DIR=\"$HOME/./a/../Desk//\"\n",
         {"~/Desk", "~/Downloads", "~/Pictures", "~/Videos"}},
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

TEST(UserFolders, theFileIsReadFromTheXdgConfigFolder) {
    TempDir home("dustlyn-folders");
    TempDir config("dustlyn-folders-config");
    testing::writeFile(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Wrong\"\n");
    testing::writeFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Right\"\n");
    const UserFolders folders = UserFolders::make(home.path(), {}, config.path().native());
    EXPECT_EQ(folders.configHome, config.path());
    EXPECT_EQ(folders.desktop, "~/Right");
}

TEST(UserFolders, anUnreadableFileKeepsTheDefaults) {
    TempDir home("dustlyn-folders");
    fs::create_directories(home / ".config/user-dirs.dirs"); // a folder, not a file
    EXPECT_EQ(UserFolders::make(home.path()).desktop, "~/Desktop");
}

} // namespace
} // namespace dustlyn

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
        {"spaces, carriage returns and unquoted values",
         "  XDG_DESKTOP_DIR = \"$HOME/My Desk\"  \r\nXDG_VIDEOS_DIR=$HOME/Clips\r\n",
         {"~/My Desk", "~/Downloads", "~/Pictures", "~/Clips"}},
        {"shell escapes inside the quotes",
         "XDG_DESKTOP_DIR=\"$HOME/say \\\"hi\\\"\"\nXDG_PICTURES_DIR=\"$HOME/a\\\\b\"\n",
         {"~/say \"hi\"", "~/Downloads", "~/a\\b", "~/Videos"}},
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

// The file is read from the XDG configuration folder; one that cannot be read is no file.
TEST(UserFolders, theFileIsReadFromTheXdgConfigFolder) {
    TempDir home("dustlyn-folders");
    TempDir config("dustlyn-folders-config");
    testing::writeFile(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Wrong\"\n");
    testing::writeFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Right\"\n");
    EXPECT_EQ(UserFolders::make(home.path(), {}, config.path().native()).desktop, "~/Right");
    fs::remove(config / "user-dirs.dirs");
    fs::create_directories(config / "user-dirs.dirs");
    EXPECT_EQ(UserFolders::make(home.path(), {}, config.path().native()).desktop, "~/Desktop");
}

} // namespace
} // namespace dustlyn

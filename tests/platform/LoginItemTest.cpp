#include "app/platform/xdg/XdgLoginItem.h"
#include "tests/core/support/TempDir.h"
#include "tests/platform/support/Desktop.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dustlyn {
namespace {

using testing::PrintTo;

namespace fs = std::filesystem;

using testing::readFile;
using testing::writeFile;

const std::string onEntry = "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Dustlyn\n"
                            "Exec=dustlyn\n"
                            "Icon=dustlyn\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n"
                            "X-KDE-autostart-after=panel\n";
// The same entry switched off for every desktop.
const std::string offEntry =
    std::string(onEntry).replace(onEntry.find("enabled=true"), 12, "enabled=false") +
    "Hidden=true\n";

class LoginItemTest : public ::testing::Test {
protected:
    testing::TempDir config{"dustlyn-login"};
    XdgLoginItem item{config.path()};
    fs::path file() const { return config / "autostart/dustlyn.desktop"; }
};

TEST_F(LoginItemTest, onWritesTheAutostartEntryAndOffHidesIt) {
    EXPECT_FALSE(item.enabled());
    item.registerItem();
    EXPECT_EQ(item.file(), file());
    EXPECT_EQ(readFile(file()), onEntry);
    EXPECT_TRUE(item.enabled());
    item.unregisterItem();
    EXPECT_EQ(readFile(file()), offEntry);
    EXPECT_FALSE(item.enabled());
    item.registerItem();
    EXPECT_TRUE(item.enabled());
    // Nothing but the entry is left in the folder: no temporary file survives a write.
    EXPECT_EQ(std::distance(fs::directory_iterator(config / "autostart"), {}), 1);
}

struct Existing {
    const char* name;
    std::string contents;
    bool enabled;
};

const Existing existing[] = {
    {"plainEntry", "[Desktop Entry]\nExec=dustlyn\n", true},
    {"hidden", "[Desktop Entry]\nExec=dustlyn\nHidden=true\n", false},
    {"hiddenWithSpaces", "[Desktop Entry]\nHidden = true \n", false},
    {"notHidden", "[Desktop Entry]\nHidden=false\n", true},
    {"switchedOffForGnome", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
    {"hiddenOnlyInAnotherGroup", "[Desktop Entry]\nExec=dustlyn\n[Desktop Action x]\nHidden=true\n",
     true},
    {"commentedOut", "[Desktop Entry]\n# Hidden=true\n", true},
};

class LoginItemReads : public LoginItemTest, public ::testing::WithParamInterface<Existing> {};

TEST_P(LoginItemReads, whetherAnExistingEntryStartsDustlyn) {
    writeFile(file(), GetParam().contents);
    EXPECT_EQ(item.enabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(Entries, LoginItemReads, ::testing::ValuesIn(existing),
                         testing::RowName());

// Where the entry cannot be written the settings show the system's reason; an entry
// that was there stays as it was.
TEST_F(LoginItemTest, aFolderThatCannotBeWrittenGivesTheSystemsMessage) {
    const fs::path autostart = config / "autostart";
    fs::create_directories(autostart);
    bool mounted = false;
    std::string expected;
    if (::geteuid() == 0) {
        // Root writes anywhere; a read-only file system stops it too.
        if (::mount("tmpfs", autostart.c_str(), "tmpfs", MS_RDONLY, "size=16k") != 0)
            GTEST_SKIP() << "cannot mount a read-only tmpfs: " << std::strerror(errno);
        mounted = true;
        expected = "Read-only file system";
    } else {
        writeFile(file(), onEntry);
        fs::permissions(autostart, fs::perms(0555));
        expected = "Permission denied";
    }
    std::string message;
    try {
        item.unregisterItem();
    } catch (const LoginItemError& error) {
        message = error.what();
    }
    const bool enabledAfter = item.enabled();
    if (mounted)
        ::umount2(autostart.c_str(), MNT_DETACH);
    else
        fs::permissions(autostart, fs::perms(0755));
    EXPECT_EQ(message, expected);
    EXPECT_EQ(enabledAfter, !mounted);
}

TEST_F(LoginItemTest, aFileWhereTheFolderShouldBeGivesTheSystemsMessage) {
    writeFile(config / "autostart", "not a folder");
    try {
        item.registerItem();
        FAIL() << "the entry was written";
    } catch (const LoginItemError& error) {
        EXPECT_STREQ(error.what(), "Not a directory");
    }
}

} // namespace
} // namespace dustlyn

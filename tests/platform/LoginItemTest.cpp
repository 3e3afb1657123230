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
using testing::readFile;
using testing::writeFile;

namespace fs = std::filesystem;

const std::string onEntry = "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Dustlyn\n"
                            "Exec=dustlyn\n"
                            "Icon=dustlyn\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n"
                            "X-KDE-autostart-after=panel\n";

class LoginItemTest : public ::testing::Test {
protected:
    std::string failure(const std::function<void()>& write) {
        try {
            write();
        } catch (const LoginItemError& error) {
            return error.what();
        }
        return "written";
    }

    testing::TempDir config{"dustlyn-login"};
    XdgLoginItem item{config.path()};
    const fs::path file = config / "autostart/dustlyn.desktop";
};

// Off is the same entry switched off for every desktop; no temporary file survives a write.
TEST_F(LoginItemTest, onWritesTheAutostartEntryAndOffHidesIt) {
    EXPECT_FALSE(item.enabled());
    item.registerItem();
    EXPECT_EQ(item.file(), file);
    EXPECT_EQ(readFile(file), onEntry);
    EXPECT_TRUE(item.enabled());
    item.unregisterItem();
    EXPECT_EQ(readFile(file),
              std::string(onEntry).replace(onEntry.find("enabled=true"), 12, "enabled=false") +
                  "Hidden=true\n");
    EXPECT_FALSE(item.enabled());
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
    writeFile(file, GetParam().contents);
    EXPECT_EQ(item.enabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(Entries, LoginItemReads, ::testing::ValuesIn(existing),
                         testing::RowName());

// The settings show the system's reason; an entry that was there stays as it was.
TEST_F(LoginItemTest, whatCannotBeWrittenGivesTheSystemsMessage) {
    writeFile(config / "autostart", "not a folder");
    EXPECT_EQ(failure([&] { item.registerItem(); }), "Not a directory");
    fs::remove(config / "autostart");
    item.registerItem();
    // Root writes anywhere; a read-only file system stops it too.
    const bool root = ::geteuid() == 0;
    if (root && ::mount("tmpfs", (config / "autostart").c_str(), "tmpfs", MS_RDONLY, "") != 0)
        GTEST_SKIP() << "cannot mount a read-only tmpfs: " << std::strerror(errno);
    if (!root)
        fs::permissions(config / "autostart", fs::perms(0555));
    const std::string message = failure([&] { item.unregisterItem(); });
    const bool enabled = item.enabled();
    if (root)
        ::umount2((config / "autostart").c_str(), MNT_DETACH);
    fs::permissions(config / "autostart", fs::perms(0755));
    EXPECT_EQ(message, root ? "Read-only file system" : "Permission denied");
    EXPECT_EQ(enabled, !root);
}

} // namespace
} // namespace dustlyn

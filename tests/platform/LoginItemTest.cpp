#include "app/platform/xdg/XdgLoginItem.h"
#include "tests/core/support/TempDir.h"
#include "tests/platform/support/Desktop.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

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
    testing::TempDir config{"dustlyn-login"};
    XdgLoginItem item{config.path()};
    const fs::path file = config / "autostart/dustlyn.desktop";
};

// Off is the same entry switched off for every desktop.
TEST_F(LoginItemTest, onWritesTheAutostartEntryAndOffHidesIt) {
    EXPECT_FALSE(item.enabled());
    item.registerItem();
    EXPECT_EQ(readFile(file), onEntry);
    EXPECT_TRUE(item.enabled());
    item.unregisterItem();
    EXPECT_EQ(readFile(file),
              std::string(onEntry).replace(onEntry.find("enabled=true"), 12, "enabled=false") +
                  "Hidden=true\n");
    EXPECT_FALSE(item.enabled());
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

// The settings show the system's reason.
TEST_F(LoginItemTest, whatCannotBeWrittenGivesTheSystemsMessage) {
    writeFile(config / "autostart", "not a folder");
    try {
        item.registerItem();
        FAIL() << "written";
    } catch (const LoginItemError& error) {
        EXPECT_STREQ(error.what(), "Not a directory");
    }
}

} // namespace
} // namespace dustlyn

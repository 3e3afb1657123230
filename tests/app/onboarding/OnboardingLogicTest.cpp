#include "app/onboarding/FolderChoice.h"
#include "app/onboarding/OnboardingSteps.h"
#include "app/onboarding/SampleFile.h"
#include "core/config/DefaultRules.h"
#include "tests/app/support/UiTestApp.h"
#include "tests/core/support/TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;

using testing::TempDir;
using testing::writeFile;

const FolderChoice* choice(const std::vector<FolderChoice>& choices, const std::string& id) {
    for (const FolderChoice& c : choices)
        if (c.id == id)
            return &c;
    return nullptr;
}

TEST(FolderChoice, cardsFollowTheUsersXdgFoldersAndTheLinuxTexts) {
    TempDir home;
    writeFile(home / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
                                               "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    const auto choices = FolderChoice::all(UserFolders::make(home.path()));
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0], (FolderChoice{"desktop",
                                        "Screenshots and recordings",
                                        "Desktop and your Screenshots folder · after 15 minutes",
                                        "~/Bureau",
                                        {"Screenshots", "Screen Recordings"}}));
    EXPECT_EQ(choices[1],
              (FolderChoice{"downloads",
                            "Installers and archives",
                            "Downloads · .deb, .rpm and .AppImage after 1 day, .zip after 3 days",
                            "~/Téléchargements",
                            {"Downloads - Installers", "Downloads - Archives"}}));
    // Without a user-dirs file the English names stand.
    TempDir plain;
    EXPECT_EQ(FolderChoice::all(UserFolders::make(plain.path()))[1].path, "~/Downloads");
}

// A card is on while any of its rules is on; the stale-downloads and desktop-documents
// rules belong to no card. The folder step can be left while a card is on.
TEST(FolderChoice, aCardIsOnWhileOneOfItsRulesIs) {
    const struct {
        const char* name;
        std::vector<std::string> rulesOn;
        bool desktop;
        bool downloads;
    } cases[] = {
        {"defaults", {"Screenshots", "Screen Recordings"}, true, false},
        {"nothing", {}, false, false},
        {"onlyRecordings", {"Screen Recordings"}, true, false},
        {"onlyArchives", {"Downloads - Archives"}, false, true},
        {"otherRulesOnly", {"Downloads - Stale", "Desktop - Documents"}, false, false},
    };
    const UserFolders folders = UserFolders::make("/home/u");
    const auto choices = FolderChoice::all(folders);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<PurgeRule> rules = DefaultRules::all(folders);
        for (PurgeRule& rule : rules)
            rule.enabled =
                std::find(c.rulesOn.begin(), c.rulesOn.end(), rule.name) != c.rulesOn.end();
        EXPECT_EQ(choice(choices, "desktop")->enabled(rules), c.desktop);
        EXPECT_EQ(choice(choices, "downloads")->enabled(rules), c.downloads);
        EXPECT_EQ(OnboardingSteps::canContinue(OnboardingSteps::folders, choices, rules),
                  c.desktop || c.downloads);
        for (int step : {OnboardingSteps::welcome, OnboardingSteps::tryIt, OnboardingSteps::done})
            EXPECT_TRUE(OnboardingSteps::canContinue(step, choices, rules)) << step;
    }
}

TEST(SampleFile, takenNamesGetNumbersAndNothingIsOverwritten) {
    TempDir folder;
    writeFile(folder / "Dustlyn Sample.png", "mine");
    writeFile(folder / "Dustlyn Sample (1).png", "mine too");
    const QImage image = SampleFile::render();
    std::string error;
    const auto first = SampleFile::write(folder.path(), image, error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(*first, folder / "Dustlyn Sample (2).png");
    EXPECT_EQ(testing::readFile(folder / "Dustlyn Sample.png"), "mine");
    const auto second = SampleFile::write(folder.path(), image, error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(*second, folder / "Dustlyn Sample (3).png");

    // The picture: the logo tile on white, 336 points square at twice the pixels.
    const QImage written(QString::fromStdString(first->native()));
    EXPECT_EQ(written.size(), QSize(672, 672));
    EXPECT_EQ(written.pixelColor(4, 4), QColor(Qt::white));
    EXPECT_LT(written.pixelColor(336, 160).lightness(), 60) << "the dark tile";
}

TEST(SampleFile, goesToDownloadsElseTheDesktopElseDustlynsFolder) {
    TempDir home;
    const UserFolders folders = UserFolders::make(home.path());
    EXPECT_EQ(SampleFile::folder(folders), folders.supportDirectory()) << "made when missing";
    fs::create_directories(home / "Desktop");
    EXPECT_EQ(SampleFile::folder(folders), home / "Desktop");
    fs::create_directories(home / "Downloads");
    EXPECT_EQ(SampleFile::folder(folders), home / "Downloads");
    // A file where the folder should be is no folder to write in.
    fs::remove(home / "Downloads");
    writeFile(home / "Downloads", "not a folder");
    EXPECT_EQ(SampleFile::folder(folders), home / "Desktop");
}

} // namespace
} // namespace dustlyn

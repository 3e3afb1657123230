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

using testing::RowName;
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

struct SwitchRow {
    const char* name;
    std::vector<std::string> rulesOn;
    bool desktop;
    bool downloads;
};

class FolderSwitches : public ::testing::TestWithParam<SwitchRow> {};

// A card is on while any of its rules is on; the stale-downloads and desktop-documents
// rules belong to no card.
TEST_P(FolderSwitches, aCardIsOnWhileOneOfItsRulesIs) {
    const UserFolders folders = UserFolders::make("/home/u");
    std::vector<PurgeRule> rules = DefaultRules::all(folders);
    for (PurgeRule& rule : rules)
        rule.enabled = std::find(GetParam().rulesOn.begin(), GetParam().rulesOn.end(), rule.name) !=
                       GetParam().rulesOn.end();
    const auto choices = FolderChoice::all(folders);
    EXPECT_EQ(choice(choices, "desktop")->enabled(rules), GetParam().desktop);
    EXPECT_EQ(choice(choices, "downloads")->enabled(rules), GetParam().downloads);
    EXPECT_EQ(OnboardingSteps::canContinue(OnboardingSteps::folders, choices, rules),
              GetParam().desktop || GetParam().downloads);
    for (int step : {OnboardingSteps::welcome, OnboardingSteps::tryIt, OnboardingSteps::done})
        EXPECT_TRUE(OnboardingSteps::canContinue(step, choices, rules)) << step;
}

INSTANTIATE_TEST_SUITE_P(
    Onboarding, FolderSwitches,
    ::testing::Values(
        SwitchRow{"defaults", {"Screenshots", "Screen Recordings"}, true, false},
        SwitchRow{"nothing", {}, false, false},
        SwitchRow{"onlyRecordings", {"Screen Recordings"}, true, false},
        SwitchRow{"onlyArchives", {"Downloads - Archives"}, false, true},
        SwitchRow{"otherRulesOnly", {"Downloads - Stale", "Desktop - Documents"}, false, false}),
    RowName());

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

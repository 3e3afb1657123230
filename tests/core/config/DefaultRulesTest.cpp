#include "core/config/DefaultRules.h"
#include "core/rules/NameMatcher.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace dustlyn {
namespace {

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

// The identifiers are drawn on first use; several threads touching them at once must
// still agree on one set.
TEST(DefaultRules, identifiersAreDrawnOnceEvenWhenFirstTouchedFromManyThreads) {
    const UserFolders folders = englishFolders();
    std::vector<std::vector<PurgeRule>> seen(8);
    std::vector<std::thread> threads;
    for (auto& rules : seen)
        threads.emplace_back([&rules, &folders] { rules = DefaultRules::all(folders); });
    for (auto& thread : threads)
        thread.join();
    for (const auto& rules : seen)
        EXPECT_EQ(rules, seen.front());
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
    EXPECT_EQ(english[4].folders, Folders{"~/Downloads"});
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
        {0, "Screenshot 2024.webp", false},
        {0, "My Screenshot.png", false},
        {1, "Screencast from 2024-05-01 10-00-00.webm", true},
        {1, "Screen Recording 2024-01-02 at 09.10.11.mov", true},
        {2, "tool_1.0_amd64.deb", true},
        {2, "Tool.AppImage", true},
        {2, "notes.txt", false},
        {3, "a.tar.gz", true},
        {3, "a.tgz", true},
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

} // namespace
} // namespace dustlyn

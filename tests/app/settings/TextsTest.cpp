#include "app/model/RuleWords.h"
#include "app/settings/HistoryText.h"
#include "app/settings/KeptPane.h"
#include "app/settings/RuleSentence.h"
#include "app/settings/SettingsPane.h"
#include "core/config/DefaultRules.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

TEST(RuleWords, theBuiltInRulesReadAsSentences) {
    const auto rules = DefaultRules::all(UserFolders::make("/home/u"));
    const std::vector<std::string> expected{
        "Move screenshots from Desktop and Screenshots after 15 min",
        "Move screen recordings from Desktop and 2 more after 15 min",
        "Move installers from Downloads after 1 day",
        "Move archives from Downloads after 3 days",
        "Move any file from Downloads untouched for 30 days",
        "Move documents from Desktop after 7 days"};
    ASSERT_EQ(rules.size(), expected.size());
    for (std::size_t i = 0; i < rules.size(); ++i)
        EXPECT_EQ(RuleWords::text(rules[i]), expected[i]);
    EXPECT_EQ(RuleWords::matcherSummary(rules[2]),
              ".dmg, .pkg, .iso, .deb, .rpm, .appimage, .flatpakref");
    EXPECT_EQ(RuleWords::matcherSummary(rules[0]),
              "Screenshot*.png, Screenshot*.jpg, Screenshot*.jpeg");
}

TEST(RuleWords, foldersAgesAndKindsOfOtherRules) {
    PurgeRule rule{Uuid::random(),
                   "Desktop - Old Stuff",
                   true,
                   {"~/Desktop", "~/Pictures/Screenshots/", "~/Pictures"},
                   {FileMatcher::anyFile(), FileMatcher::extensionMatch("x")},
                   60,
                   AgeBasis::modification};
    EXPECT_EQ(RuleWords::text(rule), "Move old stuff from Desktop and 2 more after 1 min");
    rule.folders.clear();
    rule.ageThreshold = 0;
    EXPECT_EQ(RuleWords::text(rule), "Move old stuff from no folder after immediately");
    EXPECT_EQ(RuleWords::ageText(2 * 3600.0), "2 hours");
    EXPECT_EQ(RuleWords::ageText(300), "5 min");
}

TEST(RuleSentence, theSecondaryLineSaysWhatWaits) {
    EXPECT_EQ(RuleSentence::secondaryText(false, {3, 10}), "Off");
    EXPECT_EQ(RuleSentence::secondaryText(true, {0, 0}), "Nothing waiting right now");
    EXPECT_EQ(RuleSentence::secondaryText(true, {1, 0}), "1 file waiting · 0 MB");
    EXPECT_EQ(RuleSentence::secondaryText(true, {3, 12'400'000}), "3 files waiting · 12.4 MB");
}

HistoryEntry entry(HistoryEntry::Kind kind, std::string original, std::string rule = {}) {
    return {Uuid::random(),
            dateFromUnix(1'780'000'000),
            kind,
            std::move(original),
            "/q/x",
            10,
            std::move(rule),
            std::nullopt};
}

TEST(HistoryText, captionsNameTheFolderAndFollowTheRetentionOfToday) {
    using Kind = HistoryEntry::Kind;
    const std::filesystem::path home = "/home/u";
    EXPECT_EQ(HistoryText::caption(entry(Kind::quarantined, "/home/u/Desktop/a.png", "Screenshots"),
                                   604800, home),
              "Moved to quarantine from ~/Desktop · Screenshots");
    EXPECT_EQ(HistoryText::caption(entry(Kind::quarantined, "/srv/a.png"), 604800, home),
              "Moved to quarantine from /srv");
    EXPECT_EQ(HistoryText::caption(entry(Kind::deleted, "/home/u/a"), 30 * 86400.0, home),
              "Deleted after 30 days in quarantine");
    EXPECT_EQ(HistoryText::caption(entry(Kind::restored, "/home/u/Downloads/a"), 1, home),
              "Restored to ~/Downloads");
}

TEST(HistoryText, theNewest300ComeNewestFirst) {
    std::vector<HistoryEntry> history;
    for (int i = 0; i < 301; ++i)
        history.push_back(entry(HistoryEntry::Kind::deleted, "/f" + std::to_string(i)));
    const auto shown = HistoryText::newest(history);
    ASSERT_EQ(shown.size(), 300u);
    EXPECT_EQ(shown.front()->originalPath, "/f300");
    EXPECT_EQ(shown.back()->originalPath, "/f1");
}

// The test runs with TZ=UTC.
TEST(HistoryText, timesAreRelativeForAWeekThenDates) {
    const Date now = dateFromUnix(1'780'000'000); // Thu 2026-05-28 20:26:40 UTC
    EXPECT_EQ(HistoryText::time(dateAfter(now, -60), now), "Today 20:25");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -86400), now), "Wed 20:26");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -5 * 86400.0), now), "Sat 20:26");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -6 * 86400.0), now), "May 22");
    EXPECT_EQ(HistoryText::time(dateAfter(now, -200 * 86400.0), now), "Nov 9, 2025");
    EXPECT_EQ(HistoryText::nextChange(now), dateFromUnix(1'780'012'800));
}

TEST(KeptPane, everySpellingOfTheSamePathIsTheSameKeptFile) {
    const std::vector<std::string> pins{"~/x", "/home/u/x", "/home/u/./docs/../x", "/home/u/y",
                                        "/home/u/x/"};
    EXPECT_EQ(KeptPane::spellingsOf(pins, "/home/u/x", "/home/u"),
              (std::vector<std::string>{"~/x", "/home/u/x", "/home/u/./docs/../x", "/home/u/x/"}));
    EXPECT_EQ(KeptPane::spellingsOf(pins, "~/y", "/home/u"), std::vector<std::string>{"/home/u/y"});
}

} // namespace
} // namespace dustlyn::testing

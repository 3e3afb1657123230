#include "core/config/Configuration.h"
#include "core/base/DecodingError.h"
#include "core/base/JsonText.h"
#include "core/config/DefaultRules.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testing::TempDir;

class ConfigurationDecoding : public ::testing::Test {
protected:
    Configuration decode(const std::string& text) const {
        return configurationFromJson(Json::parse(text), defaults);
    }

    TempDir home{"dustlyn-config"};
    UserFolders folders = UserFolders::make(home.path());
    Configuration defaults = Configuration::defaults(folders);
};

TEST_F(ConfigurationDecoding, anEmptyObjectOrNullKeysGiveTheDefaults) {
    EXPECT_EQ(decode("{}"), Configuration::defaults(folders));
    EXPECT_EQ(decode(R"({
        "rules": null, "pins": null, "timers": null, "checkInterval": null,
        "quarantineDirectory": null, "quarantineTTL": null, "emptyTrash": null,
        "showMenuBarIcon": null, "notch": null, "onboardingCompleted": null})"),
              defaults);
}

// Unknown keys are ignored; a present key replaces its default alone.
TEST_F(ConfigurationDecoding, eachPresentKeyReplacesItsDefaultAlone) {
    Configuration expected = defaults;
    expected.rules.clear();
    expected.pins = {"~/keep.pdf"};
    expected.timers = {{"~/Downloads/a.zip", dateFromUnix(1740821400)}};
    expected.showMenuBarIcon = true;
    EXPECT_EQ(decode(R"({"future": {"x": [1, 2]}, "Pins": 5, "rules": [], "pins": ["~/keep.pdf"],
                         "timers": {"~/Downloads/a.zip": "2025-03-01T09:30:00Z"},
                         "showMenuBarIcon": true})"),
              expected);
}

// A hand-edited number that cannot be a length of time must never read as "already due": it
// keeps its default and is said once; a rule with a negative age is switched off. Small
// fractions are stored as given (the sweep timer clamps what it uses).
TEST_F(ConfigurationDecoding, numbersThatAreNoLengthOfTimeKeepTheirDefaultsAndSaySo) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {R"({"checkInterval": -1})",
         "checkInterval -1 is not a length of time; the default of 5 minutes stands in"},
        {R"({"checkInterval": 0})",
         "checkInterval 0 is not a length of time; the default of 5 minutes stands in"},
        {R"({"quarantineTTL": -0.5})",
         "quarantineTTL -0.5 is not a length of time; the default of 7 days stands in"},
    };
    for (const auto& [json, says] : rows) {
        SCOPED_TRACE(json);
        std::vector<std::string> corrections;
        const Configuration decoded =
            configurationFromJson(Json::parse(json), defaults, &corrections);
        EXPECT_EQ(decoded.checkInterval, 300);
        EXPECT_EQ(decoded.quarantineTTL, 604800);
        EXPECT_EQ(corrections, std::vector<std::string>{says});
    }
    std::vector<std::string> corrections;
    const Configuration decoded = configurationFromJson(
        Json::parse(R"({"checkInterval": 0.5, "quarantineTTL": 0.5, "rules": [{"id":
            "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E60", "name": "Mine", "enabled": true,
            "folders": ["~/x"], "matchers": [], "ageBasis": "modification",
            "ageThreshold": -60}]})"),
        defaults, &corrections);
    EXPECT_EQ(decoded.checkInterval, 0.5);
    EXPECT_EQ(decoded.quarantineTTL, 0.5);
    ASSERT_EQ(decoded.rules.size(), 1u);
    EXPECT_EQ(decoded.rules[0].ageThreshold, 0);
    EXPECT_FALSE(decoded.rules[0].enabled);
    EXPECT_EQ(corrections, std::vector<std::string>{
                               "the rule \"Mine\" has the age -60, which is not a length of "
                               "time; the rule is off until its age is set"});
}

TEST_F(ConfigurationDecoding, aPartialNotchObjectLeavesTheOtherSwitchesOn) {
    NotchSettings expected;
    expected.showPill = expected.peekOnNewFiles = false;
    EXPECT_EQ(decode(R"({"notch": {"showPill": false, "peekOnNewFiles": false,
                                   "hotkeyEnabled": null, "future": 1}})")
                  .notch,
              expected);
}

TEST_F(ConfigurationDecoding, anyPresentBadValueFailsTheWholeRecord) {
    struct Row {
        const char* behaviour;
        const char* json;
    };
    const std::vector<Row> rows = {
        {"not an object", "[]"},
        {"rules as an object", R"({"rules": {}})"},
        {"a rule without a name", R"({"rules": [{"id": "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F",
            "enabled": true, "folders": [], "matchers": [], "ageThreshold": 1,
            "ageBasis": "modification"}]})"},
        {"pins as a string", R"({"pins": "~/a"})"},
        {"timers as an array", R"({"timers": []})"},
        {"a timer that is not a date", R"({"timers": {"~/a": "tomorrow"}})"},
        {"a timer with a fraction of a second", R"({"timers": {"~/a": "2025-03-01T09:30:00.5Z"}})"},
        {"checkInterval as text", R"({"checkInterval": "300"})"},
        {"quarantineDirectory as a number", R"({"quarantineDirectory": 5})"},
        {"showMenuBarIcon as a number", R"({"showMenuBarIcon": 0})"},
        {"a notch switch as text", R"({"notch": {"showPill": "no"}})"},
        {"onboardingCompleted as text", R"({"onboardingCompleted": "yes"})"},
        {"a good key before a bad one", R"({"emptyTrash": true, "onboardingCompleted": 1})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        EXPECT_THROW(decode(row.json), DecodingError);
    }
}

Configuration variedConfiguration(const UserFolders& folders) {
    Configuration configuration = Configuration::defaults(folders);
    configuration.rules.push_back({Uuid::random(),
                                   "Caf\u00e9 \"notes\" \\ / \t",
                                   false,
                                   {"/mnt/data/Été", "~"},
                                   {FileMatcher::extensionMatch("ÉTÉ"),
                                    FileMatcher::glob("[a]+(b)?*"), FileMatcher::anyFile()},
                                   1.0 / 3.0,
                                   AgeBasis::creation});
    configuration.rules.push_back(
        {Uuid::random(), "", true, {}, {}, 1e300, AgeBasis::modification});
    configuration.rules.push_back(PurgeRule::manual());
    configuration.pins = {"~/keep me.pdf", "/srv/files/a \"quoted\" name", "~/Été/photo.jpg"};
    configuration.timers = {{"~/Downloads/a.zip", dateFromUnix(1740821400)},
                            {"/tmp/b", dateFromUnix(0)},
                            {"~/c", dateFromUnix(-86400)}};
    configuration.checkInterval = 90.25;
    configuration.quarantineDirectory = "/mnt/quarantine";
    configuration.quarantineTTL = 3 * 86400;
    configuration.emptyTrash = true;
    configuration.showMenuBarIcon = true;
    configuration.notch.quietWhenBusy = configuration.notch.toastAfterSweep = false;
    configuration.notch.hotkeyEnabled = false;
    configuration.onboardingCompleted = true;
    return configuration;
}

TEST_F(ConfigurationDecoding, encodingThenDecodingGivesAnEqualRecord) {
    for (const Configuration& configuration : {defaults, variedConfiguration(folders)}) {
        const std::string text = writePrettyJson(toJson(configuration));
        EXPECT_EQ(decode(text), configuration) << text;
    }
}

TEST(ConfigurationDefaults, holdTheBuiltInRulesAndTheSupportQuarantine) {
    TempDir home("dustlyn-config");
    const UserFolders folders = UserFolders::make(home.path());
    const Configuration configuration = Configuration::defaults(folders);
    EXPECT_EQ(configuration.rules, DefaultRules::all(folders));
    EXPECT_EQ(configuration.quarantineDirectory, "~/.local/share/Dustlyn/Quarantine");
    EXPECT_EQ(configuration.quarantineTTLFormatted(), "7 days");
}

class DerivedLocations : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeFile(home / "real" / "x");
        fs::create_directory_symlink(home / "real", home / "link");
    }

    TempDir home{"dustlyn-config"};
};

// Paths naming the same file collapse to one; missing ones resolve as far as they exist.
TEST_F(DerivedLocations, pinsNamingTheSameFileCollapseToOne) {
    Configuration configuration;
    configuration.pins = {"~/real/x",
                          (home / "real" / "x").native(),
                          "~/link/x",
                          (home / "link" / ".." / "real" / "." / "x").native(),
                          "~/link/missing/../gone.txt",
                          "~/nowhere/file"};
    EXPECT_EQ(configuration.pinURLs(home.path()),
              (std::set<fs::path>{home / "real" / "x", home / "real" / "gone.txt",
                                  home / "nowhere" / "file"}));
}

// A timer names a file to move; on a link it times the link, never the file it leads to.
// A timer names a file to move; on a link it times the link, never the file it leads to.
// The quarantine is expanded and resolved, through a linked home folder too.
TEST_F(DerivedLocations, timersKeepOneDateALinkStaysALinkAndTheQuarantineIsResolved) {
    fs::create_symlink(home / "real" / "x", home / "real" / "to-x");
    Configuration configuration;
    configuration.timers = {{"~/link/x", dateFromUnix(100)}, {"~/link/to-x", dateFromUnix(300)}};
    EXPECT_EQ(configuration.timerURLs(home.path()),
              (std::map<fs::path, Date>{{home / "real" / "x", dateFromUnix(100)},
                                        {home / "real" / "to-x", dateFromUnix(300)}}));
    configuration.quarantineDirectory = "~/link/Quarantine";
    EXPECT_EQ(configuration.quarantineURL(home.path()), home / "real" / "Quarantine");
    fs::create_directory_symlink(home.path(), home / "home-link");
    EXPECT_EQ(configuration.quarantineURL(home / "home-link"), home / "real" / "Quarantine");
}

} // namespace
} // namespace dustlyn

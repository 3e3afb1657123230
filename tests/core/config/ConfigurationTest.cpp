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

TEST_F(ConfigurationDecoding, anEmptyObjectGivesTheDefaultsWithTheSameRuleIds) {
    const Configuration decoded = decode("{}");
    EXPECT_EQ(decoded, defaults);
    EXPECT_EQ(decoded, Configuration::defaults(folders));
    ASSERT_EQ(decoded.rules.size(), 6u);
    EXPECT_EQ(decoded.rules.front().id, DefaultRules::screenshots(folders).id);
}

TEST_F(ConfigurationDecoding, nullKeysKeepTheirDefaults) {
    const Configuration decoded = decode(R"({
        "rules": null, "pins": null, "timers": null, "checkInterval": null,
        "quarantineDirectory": null, "quarantineTTL": null, "emptyTrash": null,
        "showMenuBarIcon": null, "notch": null, "onboardingCompleted": null})");
    EXPECT_EQ(decoded, defaults);
}

TEST_F(ConfigurationDecoding, eachPresentKeyReplacesItsDefaultAlone) {
    Configuration expected = defaults;
    expected.emptyTrash = true;
    EXPECT_EQ(decode(R"({"future": {"x": [1, 2]}, "emptyTrash": true, "Pins": 5})"), expected)
        << "unknown keys are ignored";

    expected = defaults;
    expected.rules.clear();
    EXPECT_EQ(decode(R"({"rules": []})"), expected);

    expected = defaults;
    expected.pins = {"~/keep.pdf", "/tmp/also"};
    expected.timers = {{"~/Downloads/a.zip", dateFromUnix(1740821400)}};
    expected.quarantineDirectory = "/mnt/q";
    expected.showMenuBarIcon = true;
    expected.onboardingCompleted = true;
    EXPECT_EQ(decode(R"({"pins": ["~/keep.pdf", "/tmp/also"],
                         "timers": {"~/Downloads/a.zip": "2025-03-01T09:30:00Z"},
                         "quarantineDirectory": "/mnt/q", "showMenuBarIcon": true,
                         "onboardingCompleted": true})"),
              expected);
}

TEST_F(ConfigurationDecoding, numbersMayBeIntegersOrFractions) {
    const Configuration decoded = decode(R"({"checkInterval": 60.5, "quarantineTTL": 86400})");
    EXPECT_EQ(decoded.checkInterval, 60.5);
    EXPECT_EQ(decoded.quarantineTTL, 86400);
    EXPECT_EQ(decode(R"({"checkInterval": 1e3})").checkInterval, 1000);
    // Stored as given; the sweep timer clamps what it uses.
    EXPECT_EQ(decode(R"({"checkInterval": 0.5})").checkInterval, 0.5);
}

// A hand-edited number that cannot be a length of time must never read as "already due": it
// keeps its default and is said once. A rule aged 0 leaves at once, as meant; one with a
// negative age is switched off.
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
    const auto rule = [](const char* id, const char* name, const char* age) {
        return std::string(R"({"id": ")") + id + R"(", "name": ")" + name +
               R"(", "enabled": true, "folders": ["~/x"], "matchers": [],
               "ageBasis": "modification", "ageThreshold": )" +
               age + "}";
    };
    std::vector<std::string> corrections;
    const Configuration decoded = configurationFromJson(
        Json::parse(R"({"checkInterval": 60, "quarantineTTL": 0.5, "rules": [)" +
                    rule("6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F", "Now", "0") + "," +
                    rule("6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E60", "Mine", "-60") + "]}"),
        defaults, &corrections);
    EXPECT_EQ(decoded.checkInterval, 60);
    EXPECT_EQ(decoded.quarantineTTL, 0.5);
    ASSERT_EQ(decoded.rules.size(), 2u);
    EXPECT_EQ(decoded.rules[0].ageThreshold, 0);
    EXPECT_TRUE(decoded.rules[0].enabled);
    EXPECT_EQ(decoded.rules[1].ageThreshold, 0);
    EXPECT_FALSE(decoded.rules[1].enabled);
    EXPECT_EQ(corrections, std::vector<std::string>{
                               "the rule \"Mine\" has the age -60, which is not a length of "
                               "time; the rule is off until its age is set"});
}

TEST_F(ConfigurationDecoding, aPartialNotchObjectLeavesTheOtherSwitchesOn) {
    NotchSettings expected;
    expected.showPill = false;
    EXPECT_EQ(decode(R"({"notch": {"showPill": false}})").notch, expected);
    expected.peekOnNewFiles = false;
    EXPECT_EQ(decode(R"({"notch": {"showPill": false, "peekOnNewFiles": false,
                                   "hotkeyEnabled": null, "future": 1}})")
                  .notch,
              expected);
    EXPECT_EQ(decode(R"({"notch": {}})").notch, NotchSettings{});
}

TEST_F(ConfigurationDecoding, anyPresentBadValueFailsTheWholeRecord) {
    struct Row {
        const char* behaviour;
        const char* json;
    };
    const std::vector<Row> rows = {
        {"not an object", "[]"},
        {"a string", R"("config")"},
        {"null at the top", "null"},
        {"rules as an object", R"({"rules": {}})"},
        {"a rule without a name", R"({"rules": [{"id": "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F",
            "enabled": true, "folders": [], "matchers": [], "ageThreshold": 1,
            "ageBasis": "modification"}]})"},
        {"a null rule", R"({"rules": [null]})"},
        {"pins as a string", R"({"pins": "~/a"})"},
        {"a pin that is a number", R"({"pins": ["~/a", 5]})"},
        {"a null pin", R"({"pins": [null]})"},
        {"timers as an array", R"({"timers": []})"},
        {"a timer that is a number", R"({"timers": {"~/a": 1740821400}})"},
        {"a timer that is not a date", R"({"timers": {"~/a": "tomorrow"}})"},
        {"a timer with a fraction of a second", R"({"timers": {"~/a": "2025-03-01T09:30:00.5Z"}})"},
        {"a timer with an offset", R"({"timers": {"~/a": "2025-03-01T09:30:00+00:00"}})"},
        {"a null timer", R"({"timers": {"~/a": null}})"},
        {"checkInterval as text", R"({"checkInterval": "300"})"},
        {"checkInterval as a boolean", R"({"checkInterval": true})"},
        {"quarantineDirectory as a number", R"({"quarantineDirectory": 5})"},
        {"quarantineDirectory as an array", R"({"quarantineDirectory": ["~/q"]})"},
        {"quarantineTTL as text", R"({"quarantineTTL": "7 days"})"},
        {"emptyTrash as text", R"({"emptyTrash": "true"})"},
        {"emptyTrash as a number", R"({"emptyTrash": 1})"},
        {"showMenuBarIcon as a number", R"({"showMenuBarIcon": 0})"},
        {"notch as a boolean", R"({"notch": true})"},
        {"notch as an array", R"({"notch": []})"},
        {"a notch switch as text", R"({"notch": {"showPill": "no"}})"},
        {"a notch switch as a number", R"({"notch": {"pillCountdown": 0}})"},
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
                                   "Mine",
                                   false,
                                   {"/mnt/x", "~/y/z"},
                                   {FileMatcher::glob("*.tmp"), FileMatcher::extensionMatch("bak")},
                                   0.5,
                                   AgeBasis::creation});
    configuration.pins = {"~/keep me.pdf", "/srv/files/a \"quoted\" name", "~/Été/photo.jpg"};
    configuration.timers = {{"~/Downloads/a.zip", dateFromUnix(1740821400)},
                            {"/tmp/b", dateFromUnix(0)},
                            {"~/c", dateFromUnix(-86400)}};
    configuration.checkInterval = 90.25;
    configuration.quarantineDirectory = "/mnt/quarantine";
    configuration.quarantineTTL = 3 * 86400;
    configuration.emptyTrash = true;
    configuration.showMenuBarIcon = true;
    configuration.notch.quietWhenBusy = false;
    configuration.notch.toastAfterSweep = false;
    configuration.onboardingCompleted = true;
    return configuration;
}

TEST_F(ConfigurationDecoding, encodingThenDecodingGivesAnEqualRecord) {
    for (const Configuration& configuration : {defaults, variedConfiguration(folders)}) {
        const std::string text = writePrettyJson(toJson(configuration));
        EXPECT_EQ(decode(text), configuration) << text;
    }
}

TEST_F(ConfigurationDecoding, timerDatesLoseTheirFractionOfASecond) {
    Configuration configuration = defaults;
    configuration.timers["~/a"] = dateFromUnix(1740821400, 999'000'000);
    const Json value = toJson(configuration);
    EXPECT_EQ(value.at("timers").at("~/a"), "2025-03-01T09:30:00Z");
    EXPECT_EQ(configurationFromJson(value, defaults).timers.at("~/a"), dateFromUnix(1740821400));
}

TEST(NotchSettingsCoding, writesAndReadsEverySwitch) {
    for (int off = 0; off < 6; ++off) {
        SCOPED_TRACE(off);
        NotchSettings settings;
        bool* switches[] = {&settings.peekOnNewFiles, &settings.toastAfterSweep,
                            &settings.pillCountdown,  &settings.quietWhenBusy,
                            &settings.hotkeyEnabled,  &settings.showPill};
        *switches[off] = false;
        const Json value = toJson(settings);
        EXPECT_EQ(value.size(), 6u);
        EXPECT_EQ(notchSettingsFromJson(value), settings);
        EXPECT_NE(settings, NotchSettings{});
    }
}

TEST(ConfigurationDefaults, holdTheBuiltInRulesAndTheSupportQuarantine) {
    TempDir home("dustlyn-config");
    const UserFolders folders = UserFolders::make(home.path());
    const Configuration configuration = Configuration::defaults(folders);
    EXPECT_EQ(configuration.rules, DefaultRules::all(folders));
    EXPECT_EQ(configuration.checkInterval, 300);
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
TEST_F(DerivedLocations, timersNamingTheSameFileKeepOneDateAndALinkStaysALink) {
    fs::create_symlink(home / "real" / "x", home / "real" / "to-x");
    Configuration configuration;
    configuration.timers = {{"~/link/x", dateFromUnix(100)},
                            {(home / "real" / "x").native(), dateFromUnix(200)},
                            {"~/link/to-x", dateFromUnix(300)}};
    const auto urls = configuration.timerURLs(home.path());
    ASSERT_EQ(urls.size(), 2u);
    const Date kept = urls.at(home / "real" / "x");
    EXPECT_TRUE(kept == dateFromUnix(100) || kept == dateFromUnix(200));
    EXPECT_EQ(urls.at(home / "real" / "to-x"), dateFromUnix(300));
}

TEST_F(DerivedLocations, theQuarantineIsExpandedAndResolved) {
    Configuration configuration;
    configuration.quarantineDirectory = "~/link/Quarantine";
    EXPECT_EQ(configuration.quarantineURL(home.path()), home / "real" / "Quarantine");
    // A home folder reached through a link resolves to its target as well.
    fs::create_directory_symlink(home.path(), home / "home-link");
    configuration.quarantineDirectory = "~/.local/share/Dustlyn/Quarantine";
    EXPECT_EQ(configuration.quarantineURL(home / "home-link"),
              home / ".local" / "share" / "Dustlyn" / "Quarantine");
}

} // namespace
} // namespace dustlyn

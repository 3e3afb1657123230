#include "core/config/Configuration.h"
#include "core/base/FileError.h"
#include "core/base/JsonText.h"
#include "core/config/ConfigurationStore.h"
#include "core/config/LegacyMigration.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#ifndef DUSTLYN_CONFIG_GOLDEN
#error "DUSTLYN_CONFIG_GOLDEN names the checked-in golden configuration file"
#endif

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testing::namesIn;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

Configuration goldenConfiguration() {
    Configuration configuration;
    configuration.rules = {
        {*Uuid::parse("6f1c0b1e-2d3a-4b5c-8d9e-0a1b2c3d4e5f"),
         "Screenshots",
         true,
         {"~/Desktop", "~/Pictures/Screenshots"},
         {FileMatcher::glob("Screenshot*.png"), FileMatcher::extensionMatch("png"),
          FileMatcher::anyFile()},
         900,
         AgeBasis::creation},
        {*Uuid::parse("00000000-0000-4000-8000-000000000001"),
         "Notes \"old\" café",
         false,
         {},
         {},
         1.5,
         AgeBasis::modification},
    };
    configuration.pins = {"~/Documents/keep me.pdf"};
    configuration.timers = {{"/home/tester/Downloads/report.zip", dateFromUnix(1740821400)}};
    configuration.checkInterval = 300;
    configuration.quarantineDirectory = "~/.local/share/Dustlyn/Quarantine";
    configuration.quarantineTTL = 604800;
    configuration.emptyTrash = true;
    configuration.showMenuBarIcon = false;
    configuration.notch.showPill = false;
    configuration.onboardingCompleted = true;
    return configuration;
}

// A throw-away home with its configuration store.
class ConfigurationTest : public ::testing::Test {
protected:
    Configuration decode(const std::string& text) const {
        return configurationFromJson(Json::parse(text), defaults);
    }

    TempDir home{"dustlyn-config"};
    UserFolders folders = UserFolders::make(home.path());
    Configuration defaults = Configuration::defaults(folders);
    ConfigurationStore store = ConfigurationStore::defaultStore(folders);
};

using ConfigurationStoreTest = ConfigurationTest;
using ConfigurationDecoding = ConfigurationTest;

// Without a file the defaults are read and nothing is written; the golden file holds every key.
TEST_F(ConfigurationStoreTest, saveWritesExactlyTheHandWrittenGoldenBytesAndLoadsThemBack) {
    EXPECT_EQ(store.url(), home / ".local/share/Dustlyn/config.json");
    EXPECT_EQ(store.load(), defaults);
    EXPECT_FALSE(fs::exists(store.url()));
    const std::string golden = readFile(DUSTLYN_CONFIG_GOLDEN);
    ASSERT_FALSE(golden.empty());
    store.save(goldenConfiguration());
    EXPECT_EQ(readFile(store.url()), golden);
    EXPECT_EQ(store.load(), goldenConfiguration());
}

// Any present bad value fails the whole record.
TEST_F(ConfigurationStoreTest, unusableFilesGiveTheDefaultsAndStayUntouched) {
    struct Row {
        const char* behaviour;
        std::string content;
    };
    const std::vector<Row> rows = {
        {"an empty file", ""},
        {"not JSON", "this is not json"},
        {"not an object", "[]"},
        {"cut short", R"({"emptyTrash": true, "pins": ["~/a")"},
        {"text that is not UTF-8", "{\"pins\": [\"~/bad\xff\"]}"},
        {"a rule with nothing but its id",
         R"({"rules": [{"id": "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F"}]})"},
        {"a rule without a name", R"({"rules": [{"id": "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F",
            "enabled": true, "folders": [], "matchers": [], "ageThreshold": 1,
            "ageBasis": "modification"}]})"},
        {"rules as an object", R"({"rules": {}})"},
        {"pins as a string", R"({"pins": "~/a"})"},
        {"timers as an array", R"({"timers": []})"},
        {"a timer that is not a date", R"({"timers": {"~/a": "tomorrow"}})"},
        {"a timer with a fraction of a second", R"({"timers": {"~/a": "2025-03-01T09:30:00.5Z"}})"},
        {"a good key before checkInterval as text",
         R"({"emptyTrash": true, "checkInterval": "300"})"},
        {"a notch switch as text", R"({"notch": {"showPill": "no"}})"},
        {"onboardingCompleted as text", R"({"onboardingCompleted": "yes"})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        writeFile(store.url(), row.content);
        const Date written = dateFromUnix(1700000000);
        testing::setModificationDate(store.url(), written);
        EXPECT_EQ(store.load(), store.defaults());
        EXPECT_EQ(readFile(store.url()), row.content);
        EXPECT_EQ(testing::modificationDate(store.url()), written);
        EXPECT_EQ(namesIn(store.url().parent_path()), std::vector<std::string>{"config.json"});
    }
}

// The user's rules, kept files and retention may all be in a file that a torn write or a
// slip of the hand broke: it is read as the defaults, kept, and never replaced.
TEST_F(ConfigurationStoreTest, aDamagedFileIsKeptOnceAndNeverSavedOver) {
    const std::string torn = R"({"quarantineTTL": 2592000, "pins": ["~/a.pdf")";
    writeFile(store.url(), torn);

    EXPECT_FALSE(store.inspect().keptCopy);
    EXPECT_EQ(namesIn(store.url().parent_path()), std::vector<std::string>{"config.json"})
        << "inspecting writes nothing";

    const ConfigurationReadout read = store.read();
    const fs::path copy = store.url().native() + ".damaged";
    EXPECT_EQ(read.keptCopy, copy);
    EXPECT_EQ(readFile(copy), torn);
    EXPECT_EQ(store.read().keptCopy, copy) << "the same bytes are kept once";
    const auto notices = read.notices(store.url());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].starts_with("the configuration " + store.url().native() +
                                       " could not be read ("))
        << notices[0];
    EXPECT_NE(notices[0].find("its bytes are kept in " + copy.native()), std::string::npos);

    EXPECT_THROW(store.save(goldenConfiguration()), FileError);
    EXPECT_EQ(readFile(store.url()), torn);

    // Damaged again, differently: kept beside the first copy, which stays as it was.
    writeFile(store.url(), "{");
    EXPECT_EQ(store.read().keptCopy, fs::path(store.url().native() + ".damaged-2"));
    EXPECT_EQ(readFile(copy), torn);
    EXPECT_EQ(readFile(store.url().native() + ".damaged-2"), "{");

    // Mended by hand: saved over as usual.
    writeFile(store.url(), "{}");
    store.save(goldenConfiguration());
    EXPECT_EQ(store.load(), goldenConfiguration());
}

TEST_F(ConfigurationStoreTest, aQuarantineSettingThatWouldHoldTheUsersFilesReadsAsTheDefault) {
    writeFile(store.url(), R"({"quarantineDirectory": "~/Documents", "emptyTrash": true})");
    const ConfigurationReadout readout = store.read();
    EXPECT_FALSE(readout.damage);
    EXPECT_EQ(readout.configuration.quarantineDirectory, store.defaults().quarantineDirectory);
    EXPECT_TRUE(readout.configuration.emptyTrash);
    EXPECT_EQ(readout.notices(store.url()),
              std::vector<std::string>{store.url().native() +
                                       ": the quarantine folder \"~/Documents\" cannot be used "
                                       "(it is your Documents folder); " +
                                       store.defaults().quarantineDirectory + " stands in"});
}

// The system's error code of a save that must fail, checked to come with its message.
int saveFailure(const ConfigurationStore& store, const Configuration& configuration) {
    try {
        store.save(configuration);
    } catch (const FileError& error) {
        EXPECT_NE(error.code(), 0);
        EXPECT_STREQ(error.what(), std::strerror(error.code()));
        return error.code();
    }
    ADD_FAILURE() << "saved";
    return 0;
}

// A file where a folder should be, or a folder at the file's place, fails the save. Text that
// is no UTF-8 is never written: it could not be read back, and every setting would silently
// return to its default at the next start. (Failed writes are in the store fault tests.)
TEST_F(ConfigurationStoreTest, missingFoldersAreMadeAndWhatIsInTheWayFailsWithTheSystemsMessage) {
    writeFile(home / "blocker", "keep");
    const ConfigurationStore blocked(home / "blocker/config.json", store.defaults());
    EXPECT_EQ(saveFailure(blocked, goldenConfiguration()), ENOTDIR);
    EXPECT_EQ(readFile(home / "blocker"), "keep");
    EXPECT_EQ(blocked.load(), store.defaults());
    fs::create_directories(store.url());
    EXPECT_EQ(store.load(), store.defaults());
    EXPECT_NE(saveFailure(store, goldenConfiguration()), 0);
    EXPECT_TRUE(fs::is_directory(store.url()));
    const ConfigurationStore nested(home / "a/b/c/config.json", store.defaults());
    nested.save(goldenConfiguration());
    Configuration notText;
    notText.timers["/home/tester/bad\xff.zip"] = dateFromUnix(0);
    EXPECT_EQ(saveFailure(nested, notText), EILSEQ);
    EXPECT_EQ(nested.load(), goldenConfiguration());
}

// Unknown and null keys are ignored; a present key replaces its default alone, and a partial
// notch object leaves the other switches on.
TEST_F(ConfigurationDecoding, eachPresentKeyReplacesItsDefaultAlone) {
    EXPECT_EQ(decode("{}"), defaults);
    EXPECT_EQ(decode(R"({
        "rules": null, "pins": null, "timers": null, "checkInterval": null,
        "quarantineDirectory": null, "quarantineTTL": null, "emptyTrash": null,
        "showMenuBarIcon": null, "notch": null, "onboardingCompleted": null})"),
              defaults);
    Configuration expected = defaults;
    expected.rules.clear();
    expected.pins = {"~/keep.pdf"};
    expected.timers = {{"~/Downloads/a.zip", dateFromUnix(1740821400)}};
    expected.showMenuBarIcon = true;
    expected.notch.showPill = expected.notch.peekOnNewFiles = false;
    EXPECT_EQ(decode(R"({"future": {"x": [1, 2]}, "Pins": 5, "rules": [], "pins": ["~/keep.pdf"],
        "timers": {"~/Downloads/a.zip": "2025-03-01T09:30:00Z"}, "showMenuBarIcon": true,
        "notch": {"showPill": false, "peekOnNewFiles": false, "hotkeyEnabled": null, "future": 1}})"),
              expected);
}

// A hand-edited number that cannot be a length of time must never read as "already due": it
// keeps its default and is said once; a rule with a negative age is switched off. Small
// fractions are stored as given (the sweep timer clamps what it uses).
TEST_F(ConfigurationDecoding, numbersThatAreNoLengthOfTimeKeepTheirDefaultsAndSaySo) {
    const std::vector<std::pair<std::string, std::string>> rows = {
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

// Paths naming the same file collapse to one; missing ones resolve as far as they exist. A timer
// names a file to move; on a link it times the link, never the file it leads to. The
// quarantine is expanded and resolved, through a linked home folder too.
TEST_F(ConfigurationTest, pinsTimersAndTheQuarantineAreResolvedThroughLinks) {
    writeFile(home / "real" / "x");
    fs::create_directory_symlink(home / "real", home / "link");
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
    fs::create_symlink(home / "real" / "x", home / "real" / "to-x");
    configuration.timers = {{"~/link/x", dateFromUnix(100)}, {"~/link/to-x", dateFromUnix(300)}};
    EXPECT_EQ(configuration.timerURLs(home.path()),
              (std::map<fs::path, Date>{{home / "real" / "x", dateFromUnix(100)},
                                        {home / "real" / "to-x", dateFromUnix(300)}}));
    configuration.quarantineDirectory = "~/link/Quarantine";
    EXPECT_EQ(configuration.quarantineURL(home.path()), home / "real" / "Quarantine");
    fs::create_directory_symlink(home.path(), home / "home-link");
    EXPECT_EQ(configuration.quarantineURL(home / "home-link"), home / "real" / "Quarantine");
}

// The legacy configuration the migration starts from, naming `quarantineDirectory`. The
// earlier version wrote the same format as this one.
Configuration legacyRecord(const std::string& quarantineDirectory) {
    Configuration configuration = goldenConfiguration();
    configuration.quarantineDirectory = quarantineDirectory;
    return configuration;
}

class LegacyMigrationTest : public ConfigurationTest {
protected:
    fs::path legacy() const { return folders.legacyDirectory(); }
    fs::path legacyQuarantine() const { return legacy() / "Quarantine"; }
    fs::path newQuarantine() const { return folders.supportDirectory() / "Quarantine"; }

    // Writes the legacy configuration naming `quarantine`; returns its bytes.
    std::string writeLegacy(const std::string& quarantine) const {
        const std::string content = ConfigurationStore::encode(legacyRecord(quarantine));
        writeFile(legacy() / "config.json", content);
        return content;
    }
    void fillLegacyQuarantine() {
        writeFile(legacyQuarantine() / "old shot.png", "png");
        writeFile(legacyQuarantine() / "nested/report.pdf", "pdf");
    }
    void migrate() const { LegacyMigration::migrateIfNeeded(legacy(), store, folders); }
};

TEST_F(LegacyMigrationTest, withoutALegacyFileOrWithACurrentOneNothingIsWritten) {
    fillLegacyQuarantine();
    migrate();
    EXPECT_FALSE(fs::exists(store.url()));
    writeLegacy(folders.legacyQuarantineText());
    writeFile(store.url(), "{\"emptyTrash\": false}");
    migrate();
    EXPECT_EQ(readFile(store.url()), "{\"emptyTrash\": false}");
    EXPECT_TRUE(fs::exists(legacyQuarantine() / "old shot.png"));
    EXPECT_FALSE(fs::exists(newQuarantine()));
}

TEST_F(LegacyMigrationTest, theLegacyDefaultQuarantineMovesBesideTheNewConfiguration) {
    const std::string content = writeLegacy(folders.legacyQuarantineText());
    fillLegacyQuarantine();
    migrate();
    EXPECT_EQ(readFile(newQuarantine() / "nested/report.pdf"), "pdf");
    EXPECT_FALSE(fs::exists(legacyQuarantine()));
    EXPECT_EQ(store.load(), legacyRecord("~/.local/share/Dustlyn/Quarantine"));
    EXPECT_EQ(readFile(legacy() / "config.json"), content) << "the legacy file is kept";

    // A second run does nothing, whatever the legacy side holds by then.
    const std::string migrated = readFile(store.url());
    writeLegacy("/elsewhere");
    writeFile(legacyQuarantine() / "late.png", "late");
    migrate();
    EXPECT_EQ(readFile(store.url()), migrated);
    EXPECT_FALSE(fs::exists(newQuarantine() / "late.png"));
}

// Another folder, or the same one spelled otherwise, is the user's choice: it stays as written.
// A new quarantine folder already there, even empty, is never replaced. Nothing moves.
TEST_F(LegacyMigrationTest, aCustomQuarantineOrAnExistingNewOneLeavesTheLegacyOneInPlace) {
    const std::string legacyText = folders.legacyQuarantineText();
    const std::string defaultText = folders.defaultQuarantineText();
    using Names = std::vector<std::string>;
    const struct {
        std::string written, stored;
        std::optional<Names> before; // what the new quarantine holds beforehand, if it is there
    } rows[] = {{"/mnt/Kept", "/mnt/Kept", std::nullopt},
                {legacyText + "/", legacyText + "/", std::nullopt},
                {legacyText, defaultText, Names{}},
                {legacyText, defaultText, Names{"current.png"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.written);
        fs::remove_all(folders.supportDirectory());
        writeLegacy(row.written);
        fillLegacyQuarantine();
        if (row.before)
            fs::create_directories(newQuarantine());
        for (const auto& name : row.before.value_or(Names{}))
            writeFile(newQuarantine() / name, "new");
        migrate();
        EXPECT_EQ(store.load(), legacyRecord(row.stored));
        EXPECT_EQ(readFile(legacyQuarantine() / "old shot.png"), "png");
        EXPECT_EQ(fs::exists(newQuarantine()), row.before.has_value());
        EXPECT_EQ(testing::namesIn(newQuarantine()), row.before.value_or(Names{}));
    }
}

// A corrupt legacy file or one that cannot be read: the defaults are written, and as they do
// not name the legacy quarantine, it stays where it was.
TEST_F(LegacyMigrationTest, aCorruptOrUnreadableLegacyConfigurationGivesTheDefaults) {
    writeFile(legacy() / "config.json", "{\"rules\": [{\"id\": \"broken\"}]");
    fillLegacyQuarantine();
    migrate();
    EXPECT_EQ(readFile(store.url()), ConfigurationStore::encode(store.defaults()));
    EXPECT_TRUE(fs::exists(legacyQuarantine() / "old shot.png"));

    fs::remove(store.url());
    fs::remove(legacy() / "config.json");
    fs::create_directories(legacy() / "config.json"); // exists, but cannot be read as a file
    migrate();
    EXPECT_EQ(readFile(store.url()), ConfigurationStore::encode(store.defaults()));
}

TEST_F(LegacyMigrationTest, aFailedSaveIsIgnoredAndTheNextStartTriesAgain) {
    const std::string content = writeLegacy("/mnt/Kept");
    fs::create_directories(folders.dataHome);
    writeFile(folders.supportDirectory(), "in the way"); // the support folder cannot be made
    migrate();
    EXPECT_EQ(readFile(folders.supportDirectory()), "in the way");
    fs::remove(folders.supportDirectory());
    migrate();
    EXPECT_EQ(store.load(), legacyRecord("/mnt/Kept"));
    EXPECT_EQ(readFile(legacy() / "config.json"), content) << "the legacy file is kept";
}

// A folder cannot be renamed across file systems; the quarantine then stays behind and
// the configuration still names the new folder.
TEST_F(LegacyMigrationTest, aLegacyQuarantineOnAnotherFileSystemStaysWhereItIs) {
    if (!fs::is_directory("/dev/shm") ||
        testing::deviceOf("/dev/shm") == testing::deviceOf(home.path()))
        GTEST_SKIP() << "no second file system at /dev/shm";
    TempDir other("/dev/shm", "dustlyn-migration");
    const fs::path otherLegacy = other / "Kelvo";
    writeFile(otherLegacy / "config.json",
              ConfigurationStore::encode(legacyRecord(folders.legacyQuarantineText())));
    writeFile(otherLegacy / "Quarantine/old shot.png", "png");
    LegacyMigration::migrateIfNeeded(otherLegacy, store, folders);
    EXPECT_EQ(readFile(otherLegacy / "Quarantine/old shot.png"), "png");
    EXPECT_FALSE(fs::exists(newQuarantine()));
    EXPECT_EQ(store.load(), legacyRecord(folders.defaultQuarantineText()));
}

} // namespace
} // namespace dustlyn

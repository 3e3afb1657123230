#include "core/config/LegacyMigration.h"
#include "tests/core/quarantine/QuarantineTestSupport.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <optional>
#include <string>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// The legacy configuration the tests start from, naming `quarantineDirectory`. The earlier
// version wrote the same format as this one.
Configuration legacyRecord(const std::string& quarantineDirectory) {
    Configuration configuration;
    configuration.rules = {{*Uuid::parse("6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F"),
                            "Zips",
                            true,
                            {"~/Downloads"},
                            {FileMatcher::extensionMatch("zip")},
                            3600,
                            AgeBasis::modification}};
    configuration.pins = {"~/Documents/keep.pdf"};
    configuration.timers = {{"~/Downloads/a.zip", dateFromUnix(1740821400)}};
    configuration.checkInterval = 120;
    configuration.quarantineDirectory = quarantineDirectory;
    configuration.quarantineTTL = 259200;
    configuration.emptyTrash = configuration.showMenuBarIcon = true;
    configuration.notch.showPill = false;
    configuration.onboardingCompleted = true;
    return configuration;
}

class LegacyMigrationTest : public ::testing::Test {
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

    TempDir home{"dustlyn-migration"};
    UserFolders folders = UserFolders::make(home.path());
    ConfigurationStore store = ConfigurationStore::defaultStore(folders);
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
    migrate();
    EXPECT_EQ(store.load(), legacyRecord("~/.local/share/Dustlyn/Quarantine"));
    fs::remove(store.url());
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

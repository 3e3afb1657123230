#include "core/config/ConfigurationStore.h"
#include "core/base/FileError.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#ifndef DUSTLYN_CONFIG_GOLDEN
#error "DUSTLYN_CONFIG_GOLDEN names the checked-in golden configuration file"
#endif

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
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

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

class ConfigurationStoreTest : public ::testing::Test {
protected:
    TempDir home{"dustlyn-store"};
    UserFolders folders = UserFolders::make(home.path());
    ConfigurationStore store = ConfigurationStore::defaultStore(folders);
};

// Without a file the defaults are read and nothing is written; the golden file holds every key.
TEST_F(ConfigurationStoreTest, saveWritesExactlyTheHandWrittenGoldenBytesAndLoadsThemBack) {
    EXPECT_EQ(store.url(), home / ".local/share/Dustlyn/config.json");
    EXPECT_EQ(store.load(), Configuration::defaults(folders));
    EXPECT_FALSE(fs::exists(store.url()));
    const std::string golden = readFile(DUSTLYN_CONFIG_GOLDEN);
    ASSERT_FALSE(golden.empty());
    store.save(goldenConfiguration());
    EXPECT_EQ(readFile(store.url()), golden);
    EXPECT_EQ(store.load(), goldenConfiguration());
}

TEST_F(ConfigurationStoreTest, unusableFilesGiveTheDefaultsAndStayUntouched) {
    struct Row {
        const char* behaviour;
        std::string content;
    };
    const std::vector<Row> rows = {
        {"an empty file", ""},
        {"not JSON", "this is not json"},
        {"cut short", R"({"emptyTrash": true, "pins": ["~/a")"},
        {"a value of the wrong type", R"({"emptyTrash": true, "checkInterval": "300"})"},
        {"a rule with nothing but its id",
         R"({"rules": [{"id": "6F1C0B1E-2D3A-4B5C-8D9E-0A1B2C3D4E5F"}]})"},
        {"text that is not UTF-8", "{\"pins\": [\"~/bad\xff\"]}"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        writeFile(store.url(), row.content);
        const Date written = dateFromUnix(1700000000);
        testing::setModificationDate(store.url(), written);
        EXPECT_EQ(store.load(), store.defaults());
        EXPECT_EQ(readFile(store.url()), row.content);
        EXPECT_EQ(testing::modificationDate(store.url()), written);
        EXPECT_EQ(entries(store.url().parent_path()), std::vector<std::string>{"config.json"});
    }
}

// The user's rules, kept files and retention may all be in a file that a torn write or a
// slip of the hand broke: it is read as the defaults, kept, and never replaced.
TEST_F(ConfigurationStoreTest, aDamagedFileIsKeptOnceAndNeverSavedOver) {
    const std::string torn = R"({"quarantineTTL": 2592000, "pins": ["~/a.pdf")";
    writeFile(store.url(), torn);

    EXPECT_FALSE(store.inspect().keptCopy);
    EXPECT_EQ(entries(store.url().parent_path()), std::vector<std::string>{"config.json"})
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

// A file where a folder should be, or a folder at the file's place, fails the save.
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
    EXPECT_EQ(nested.load(), goldenConfiguration());
}

TEST_F(ConfigurationStoreTest, aReadOnlyFolderFailsAndKeepsTheOldFile) {
    store.save(goldenConfiguration());
    const std::string before = readFile(store.url());
    const fs::path folder = store.url().parent_path();
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(folder.c_str(), W_OK) == 0) {
        fs::permissions(folder, fs::perms::owner_all);
        GTEST_SKIP() << "this user may write into read-only folders";
    }
    EXPECT_EQ(saveFailure(store, Configuration::defaults(folders)), EACCES);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(readFile(store.url()), before);
    EXPECT_EQ(entries(folder), std::vector<std::string>{"config.json"});
}

// A file-size limit makes the write itself fail, for every user: the temporary file must
// go and the old file stay. Text that is no UTF-8 is never written: it could not be read back,
// and every setting would silently return to its default at the next start.
TEST_F(ConfigurationStoreTest, aFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    store.save(Configuration{});
    const std::string before = readFile(store.url());
    ASSERT_LT(before.size(), 512u);
    Configuration notText;
    notText.timers["/home/tester/bad\xff.zip"] = dateFromUnix(0);
    EXPECT_EQ(saveFailure(store, notText), EILSEQ);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int code = saveFailure(store, goldenConfiguration());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(code, EFBIG);
    EXPECT_EQ(readFile(store.url()), before);
    EXPECT_EQ(entries(store.url().parent_path()), std::vector<std::string>{"config.json"});
}

} // namespace
} // namespace dustlyn

#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct ScreenshotHome {
    const char* name;
    const char* file;    // written under .config, with @HOME@ for the home folder
    const char* content; // of that file
    const char* folder;  // where the screenshots go, as the rule lists it
};

std::string withHome(std::string text, const fs::path& home) {
    for (auto at = text.find("@HOME@"); at != std::string::npos; at = text.find("@HOME@"))
        text.replace(at, 6, home.native());
    return text;
}

bool lists(const json& config, const std::string& folder) {
    for (const auto& rule : config["rules"])
        if (rule["name"] == "Screenshots")
            return std::ranges::count(rule["folders"], json(folder)) == 1;
    return false;
}

// Wherever the desktop saves screenshots, every command sees them there: the reading ones
// without writing config.json, a sweep saving the folder into the rule. (How each desktop's
// settings are read is the model's own tests' matter.)
TEST(ScreenshotFolders, EveryCommandWatchesWhereTheDesktopSavesScreenshots) {
    const std::vector<ScreenshotHome> homes = {
        {"Spectacle's address with %20 and a trailing slash", "spectaclerc",
         "[ImageSave]\nimageSaveLocation=file://@HOME@/Pictures/My%20Shots/\n",
         "~/Pictures/My Shots"},
        {"GNOME in a localised Pictures folder", "user-dirs.dirs",
         "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "~/Bilder/Screenshots"},
    };
    for (const auto& row : homes) {
        SCOPED_TRACE(row.name);
        CliHome home;
        json rule = globRule("Screenshot*.png", "~/Desktop", 60);
        rule["name"] = "Screenshots";
        home.writeConfig({{"rules", {rule}}});
        writeFile(home.configHome() / row.file, withHome(row.content, home.home()));
        const fs::path folder = home.home() / std::string(row.folder).substr(2);
        writeFile(folder / "Screenshot 1.png", "png");
        const std::string written = readFile(home.configFile());

        const ProcessResult rules = home.run({"rules", "--json"});
        EXPECT_TRUE(lists({{"rules", parseOrDiscard(rules.out)}}, row.folder)) << rules.describe();
        const ProcessResult scan = home.run({"scan"});
        EXPECT_NE(scan.out.find((folder / "Screenshot 1.png").native()), std::string::npos)
            << scan.describe();
        EXPECT_EQ(readFile(home.configFile()), written) << "a reading command wrote config.json";

        const ProcessResult sweep = home.run({"sweep", "--everything"});
        EXPECT_EQ(sweep.exitCode, 0) << sweep.describe();
        EXPECT_TRUE(fs::exists(home.quarantine() / "Screenshot 1.png")) << sweep.describe();
        EXPECT_TRUE(lists(home.readConfig(), row.folder)) << readFile(home.configFile());
    }
}

} // namespace
} // namespace dustlyn::testing

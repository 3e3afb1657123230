#include "app/model/ScreenshotLocations.h"

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

struct SpectacleCase {
    const char* what;
    const char* text;
    std::vector<std::string> found;
};

TEST(ScreenshotLocations, SpectaclesFoldersAreReadAsLocalPaths) {
    const std::vector<SpectacleCase> cases = {
        {"an address, %-escapes decoded, trailing slashes dropped",
         "[ImageSave]\nimageSaveLocation=file:///home/u/My%20Shots%2B//\n",
         {"/home/u/My Shots+"}},
        {"[$e] expands $HOME and ${HOME}",
         "[ImageSave]\nimageSaveLocation[$e]=file://$HOME/A\n[VideoSave]\n"
         "videoSaveLocation[$e]=${HOME}/B\n",
         {"/home/u/A", "/home/u/B"}},
        {"$HOME without [$e] is no folder", "[ImageSave]\nimageSaveLocation=file://$HOME/A\n", {}},
        {"[$e] with a variable not known here", "[ImageSave]\nimageSaveLocation[$e]=$PICS/A\n", {}},
        {"the older key, a plain path", "[Save]\ndefaultSaveLocation=/srv/shots\n", {"/srv/shots"}},
        {"a key of another group, an address that is not local, a relative path",
         "[General]\nimageSaveLocation=/x\n[ImageSave]\nimageSaveLocation=smb://h/s\n"
         "[VideoSave]\nvideoSaveLocation=Videos\n",
         {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ScreenshotLocations::fromSpectacleConfig(row.text, "/home/u"), row.found);
    }
}

} // namespace
} // namespace dustlyn::testing

#pragma once

#include "core/config/UserFolders.h"

#include <string>
#include <vector>

namespace dustlyn {

// The folders the desktop's screenshot tools save to, written with "~": GNOME Shell's
// Pictures/Screenshots and Videos/Screencasts when they exist, and the folders configured
// in KDE Spectacle's spectaclerc.
struct ScreenshotLocations {
    static std::vector<std::string> find(const UserFolders& folders);
    // The save locations named in spectaclerc text, as written there.
    static std::vector<std::string> fromSpectacleConfig(const std::string& text);
};

} // namespace dustlyn

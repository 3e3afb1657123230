#pragma once

#include "core/config/Configuration.h"
#include "core/config/UserFolders.h"

#include <string>
#include <vector>

namespace dustlyn {

// The folders the desktop's screenshot tools save to, written with "~": GNOME Shell's
// Pictures/Screenshots and Videos/Screencasts when they exist, and the folders configured
// in KDE Spectacle's spectaclerc.
struct ScreenshotLocations {
    static std::vector<std::string> find(const UserFolders& folders);
    // The save locations named in spectaclerc text, as local paths: file:// addresses
    // decoded, $HOME expanded where the key asks for it ([$e]), no trailing slash.
    static std::vector<std::string> fromSpectacleConfig(const std::string& text,
                                                        const std::filesystem::path& home);
    // Adds each location to the built-in screenshot and screen-recording rules that do not
    // list it yet (found by their names, so a renamed rule no longer follows). True when
    // anything was added.
    static bool adopt(Configuration& config, const UserFolders& folders);
};

} // namespace dustlyn

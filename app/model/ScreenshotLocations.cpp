#include "app/model/ScreenshotLocations.h"

#include "core/base/AtomicFile.h"
#include "core/base/Paths.h"

#include <sstream>
#include <sys/stat.h>

namespace dustlyn {

namespace {

bool isDirectory(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Spectacle writes local folders as file:// addresses.
std::string localPath(std::string value) {
    if (value.rfind("file://", 0) == 0)
        value.erase(0, 7);
    return value;
}

} // namespace

std::vector<std::string> ScreenshotLocations::fromSpectacleConfig(const std::string& text) {
    std::vector<std::string> found;
    std::istringstream lines(text);
    std::string line, group;
    while (std::getline(lines, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = trim(line.substr(0, equals));
        const std::string value = localPath(trim(line.substr(equals + 1)));
        const bool wanted = (group == "ImageSave" && key == "imageSaveLocation") ||
                            (group == "VideoSave" && key == "videoSaveLocation") ||
                            (group == "Save" && key == "defaultSaveLocation");
        if (wanted && !value.empty())
            found.push_back(value);
    }
    return found;
}

std::vector<std::string> ScreenshotLocations::find(const UserFolders& folders) {
    std::vector<std::string> locations;
    const auto add = [&](const std::string& path) {
        const std::string text = abbreviateHome(expandTilde(path, folders.home), folders.home);
        for (const auto& known : locations)
            if (known == text)
                return;
        locations.push_back(text);
    };
    for (const auto& gnome : {folders.pictures + "/Screenshots", folders.videos + "/Screencasts"})
        if (isDirectory(expandTilde(gnome, folders.home)))
            add(gnome);
    if (const auto spectacle = readWholeFile(folders.configHome / "spectaclerc"))
        for (const auto& location : fromSpectacleConfig(*spectacle))
            add(location);
    return locations;
}

} // namespace dustlyn

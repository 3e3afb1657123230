#include "app/model/ScreenshotLocations.h"

#include "core/base/AtomicFile.h"
#include "core/base/HexDigit.h"
#include "core/base/Paths.h"
#include "core/base/Trimmed.h"
#include "core/quarantine/FileSystemCalls.h"

#include <optional>
#include <set>
#include <sstream>

namespace dustlyn {

namespace {

std::string percentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? hexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexDigitValue(text[i + 2]) : -1;
        if (high >= 0 && low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// KConfig's [$e] marks a value whose environment variables are to be expanded. Only the home
// folder is known here: a value naming another variable cannot be placed, and is not adopted.
std::optional<std::string> expanded(const std::string& value, const std::filesystem::path& home) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '$') {
            out += value[i];
            continue;
        }
        if (value.compare(i, 7, "${HOME}") == 0) {
            out += home.native();
            i += 6;
        } else if (value.compare(i, 5, "$HOME") == 0 &&
                   (i + 5 == value.size() || value[i + 5] == '/')) {
            out += home.native();
            i += 4;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// Spectacle writes local folders as file:// addresses, with %-escapes ("%20" for a space).
std::optional<std::string> localPath(const std::string& value, bool expand,
                                     const std::filesystem::path& home) {
    std::string path = value;
    if (expand) {
        const auto withHome = expanded(path, home);
        if (!withHome)
            return std::nullopt;
        path = *withHome;
    }
    if (path.starts_with("file://"))
        path = percentDecoded(path.substr(7));
    else if (path.find("://") != std::string::npos)
        return std::nullopt; // not a local folder
    // A relative path would be read from whatever folder a command runs in; "$HOME" without
    // [$e] is such a path.
    if (!path.starts_with("/"))
        return std::nullopt;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::vector<std::string>
ScreenshotLocations::fromSpectacleConfig(const std::string& text,
                                         const std::filesystem::path& home) {
    std::vector<std::string> found;
    std::istringstream lines(text);
    std::string line, group;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = trimmed(line.substr(0, equals));
        // Flags after the key: [$e] asks for expansion, [$i] marks it immutable.
        const auto flags = key.find("[$");
        const bool expand = flags != std::string::npos && key.find('e', flags) != std::string::npos;
        if (flags != std::string::npos)
            key = trimmed(key.substr(0, flags));
        const bool wanted = (group == "ImageSave" && key == "imageSaveLocation") ||
                            (group == "VideoSave" && key == "videoSaveLocation") ||
                            (group == "Save" && key == "defaultSaveLocation");
        const std::string value = trimmed(line.substr(equals + 1));
        if (!wanted || value.empty())
            continue;
        if (auto path = localPath(value, expand, home); path && !path->empty())
            found.push_back(*path);
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
        if (isFolder(expandTilde(gnome, folders.home)))
            add(gnome);
    if (const auto spectacle = readWholeFile(folders.configHome / "spectaclerc"))
        for (const auto& location : fromSpectacleConfig(*spectacle, folders.home))
            add(location);
    return locations;
}

bool ScreenshotLocations::adopt(Configuration& config, const UserFolders& folders) {
    const std::set<std::string> targets{"Screenshots", "Screen Recordings"};
    bool changed = false;
    for (const auto& location : find(folders)) {
        const std::string place = standardizePath(location, folders.home);
        for (auto& rule : config.rules) {
            if (!targets.contains(rule.name))
                continue;
            bool listed = false;
            for (const auto& folder : rule.folders)
                listed = listed || standardizePath(folder, folders.home) == place;
            if (!listed) {
                rule.folders.push_back(location);
                changed = true;
            }
        }
    }
    return changed;
}

} // namespace dustlyn

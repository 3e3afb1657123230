#include "core/config/UserFolders.h"

#include "core/base/AtomicFile.h"
#include "core/base/Paths.h"
#include "core/base/Trimmed.h"

#include <sstream>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

// XDG asks for absolute values only; anything else counts as unset.
fs::path xdgFolder(const std::string& value, const fs::path& fallback) {
    if (value.empty() || value.front() != '/')
        return fallback;
    return fs::path(value);
}

// The file is written to be sourced by a shell, so a quoted value may hold \" \\ \$ \`.
std::string unquoted(const std::string& value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return value;
    std::string out;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size())
            ++i;
        out += value[i];
    }
    return out;
}

// "$HOME/Pictures" or "/data/Pictures" as the "~" text rules store; nothing for values
// the specification does not allow. A value of "$HOME" alone is how a user turns a
// directory off: following it would point a rule at the whole home folder, so the
// English default stays instead.
std::optional<std::string> userDirectoryText(const std::string& value, const fs::path& home) {
    static constexpr std::string_view homePrefix = "$HOME/";
    fs::path folder;
    if (value.compare(0, homePrefix.size(), homePrefix) == 0)
        folder = home / value.substr(homePrefix.size());
    else if (!value.empty() && value.front() == '/')
        folder = fs::path(value);
    else
        return std::nullopt;
    std::string text = abbreviateHome(folder.lexically_normal(), home);
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    if (text == "~" || text == "/")
        return std::nullopt;
    return text;
}

void readUserDirectories(UserFolders& folders) {
    const auto content = readWholeFile(folders.configHome / "user-dirs.dirs");
    if (!content)
        return;
    std::istringstream lines(*content);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = trimmed(line.substr(0, equals));
        const auto text =
            userDirectoryText(unquoted(trimmed(line.substr(equals + 1))), folders.home);
        if (!text)
            continue;
        if (key == "XDG_DESKTOP_DIR")
            folders.desktop = *text;
        else if (key == "XDG_DOWNLOAD_DIR")
            folders.downloads = *text;
        else if (key == "XDG_PICTURES_DIR")
            folders.pictures = *text;
        else if (key == "XDG_VIDEOS_DIR")
            folders.videos = *text;
        else if (key == "XDG_DOCUMENTS_DIR")
            folders.documents = *text;
        else if (key == "XDG_MUSIC_DIR")
            folders.music = *text;
        else if (key == "XDG_PUBLICSHARE_DIR")
            folders.publicShare = *text;
        else if (key == "XDG_TEMPLATES_DIR")
            folders.templates = *text;
    }
}

} // namespace

UserFolders UserFolders::make(const fs::path& home, const std::string& dataHome,
                              const std::string& configHome, const std::string& cacheHome) {
    UserFolders folders;
    folders.home = home;
    folders.dataHome = xdgFolder(dataHome, home / ".local" / "share");
    folders.configHome = xdgFolder(configHome, home / ".config");
    folders.cacheHome = xdgFolder(cacheHome, home / ".cache");
    readUserDirectories(folders);
    return folders;
}

fs::path UserFolders::supportDirectory() const {
    return dataHome / "Dustlyn";
}

fs::path UserFolders::legacyDirectory() const {
    return dataHome / "Kelvo";
}

fs::path UserFolders::thumbnailDirectory() const {
    return cacheHome / "thumbnails";
}

std::string UserFolders::defaultQuarantineText() const {
    return abbreviateHome(supportDirectory() / "Quarantine", home);
}

std::string UserFolders::legacyQuarantineText() const {
    return abbreviateHome(legacyDirectory() / "Quarantine", home);
}

} // namespace dustlyn

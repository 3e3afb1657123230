#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace dustlyn {

// Every folder the program uses, worked out once at start-up from HOME, the XDG
// variables and the XDG user-directories file. The core never reads the environment:
// it is given one of these.
struct UserFolders {
    std::filesystem::path home;
    std::filesystem::path dataHome;   // $XDG_DATA_HOME, or home/.local/share
    std::filesystem::path configHome; // $XDG_CONFIG_HOME, or home/.config
    std::filesystem::path cacheHome;  // $XDG_CACHE_HOME, or home/.cache
    // The XDG user directories, written with "~" where they lie under the home folder.
    std::string desktop = "~/Desktop";
    std::string downloads = "~/Downloads";
    std::string pictures = "~/Pictures";
    std::string videos = "~/Videos";
    // The other user directories: never used by a rule, but full of the user's files.
    std::string documents = "~/Documents";
    std::string music = "~/Music";
    std::string publicShare = "~/Public";
    std::string templates = "~/Templates";

    // `dataHome`, `configHome` and `cacheHome` are the XDG variables' values (empty or
    // relative values are ignored, as the XDG specification asks). Reads
    // configHome/user-dirs.dirs.
    static UserFolders make(const std::filesystem::path& home, const std::string& dataHome = {},
                            const std::string& configHome = {}, const std::string& cacheHome = {});

    // dataHome/Dustlyn: config.json, history.json and Quarantine/.
    std::filesystem::path supportDirectory() const;
    // dataHome/Kelvo, the folder an earlier version used.
    std::filesystem::path legacyDirectory() const;
    // cacheHome/thumbnails: the thumbnails the desktop's file browsers share.
    std::filesystem::path thumbnailDirectory() const;
    // The default quarantine setting: supportDirectory()/Quarantine written with "~".
    std::string defaultQuarantineText() const;
    // The legacy default quarantine setting: legacyDirectory()/Quarantine written with "~".
    std::string legacyQuarantineText() const;

    bool operator==(const UserFolders&) const = default;
};

} // namespace dustlyn

#include "core/config/DefaultRules.h"

#include <array>

namespace dustlyn {

namespace {

enum Member : std::size_t {
    screenshotsID,
    screenRecordingsID,
    downloadsInstallersID,
    downloadsArchivesID,
    downloadsStaleID,
    desktopClutterID,
    memberCount
};

// Drawn once per run, on first use, so Configuration::defaults and every later request
// agree on the identifiers; a function-local static makes the first touch thread-safe.
const Uuid& identifier(Member member) {
    static const std::array<Uuid, memberCount> ids = [] {
        std::array<Uuid, memberCount> drawn;
        for (auto& id : drawn)
            id = Uuid::random();
        return drawn;
    }();
    return ids[member];
}

std::vector<FileMatcher> globs(std::initializer_list<const char*> patterns) {
    std::vector<FileMatcher> matchers;
    for (const char* pattern : patterns)
        matchers.push_back(FileMatcher::glob(pattern));
    return matchers;
}

std::vector<FileMatcher> extensions(std::initializer_list<const char*> names) {
    std::vector<FileMatcher> matchers;
    for (const char* name : names)
        matchers.push_back(FileMatcher::extensionMatch(name));
    return matchers;
}

} // namespace

PurgeRule DefaultRules::screenshots(const UserFolders& folders) {
    return {identifier(screenshotsID),
            "Screenshots",
            true,
            {folders.desktop, folders.pictures + "/Screenshots"},
            globs({"Screenshot*.png", "Screenshot*.jpg", "Screenshot*.jpeg"}),
            900,
            AgeBasis::creation};
}

PurgeRule DefaultRules::screenRecordings(const UserFolders& folders) {
    // GNOME saves recordings under Videos/Screencasts rather than beside the screenshots.
    return {identifier(screenRecordingsID),
            "Screen Recordings",
            true,
            {folders.desktop, folders.pictures + "/Screenshots", folders.videos + "/Screencasts"},
            globs({"Screen Recording*.mov", "Screen Recording*.mp4", "Screencast*.webm",
                   "Screencast*.mp4"}),
            900,
            AgeBasis::creation};
}

PurgeRule DefaultRules::downloadsInstallers(const UserFolders& folders) {
    return {identifier(downloadsInstallersID),
            "Downloads - Installers",
            false,
            {folders.downloads},
            extensions({"dmg", "pkg", "iso", "deb", "rpm", "appimage", "flatpakref"}),
            86400,
            AgeBasis::modification};
}

PurgeRule DefaultRules::downloadsArchives(const UserFolders& folders) {
    return {identifier(downloadsArchivesID),
            "Downloads - Archives",
            false,
            {folders.downloads},
            extensions({"zip", "gz", "rar", "7z", "xz", "bz2", "zst", "tgz"}),
            259200,
            AgeBasis::modification};
}

PurgeRule DefaultRules::downloadsStale(const UserFolders& folders) {
    return {identifier(downloadsStaleID), "Downloads - Stale",      false,
            {folders.downloads},          {FileMatcher::anyFile()}, 2592000,
            AgeBasis::modification};
}

PurgeRule DefaultRules::desktopClutter(const UserFolders& folders) {
    return {identifier(desktopClutterID),
            "Desktop - Documents",
            false,
            {folders.desktop},
            extensions({"pdf", "doc", "docx", "rtf", "odt"}),
            604800,
            AgeBasis::modification};
}

std::vector<PurgeRule> DefaultRules::all(const UserFolders& folders) {
    // Order matters: the scanner gives each file to the first enabled rule that takes it.
    return {screenshots(folders),       screenRecordings(folders), downloadsInstallers(folders),
            downloadsArchives(folders), downloadsStale(folders),   desktopClutter(folders)};
}

} // namespace dustlyn

#include "core/config/QuarantineFolder.h"

#include "core/base/Paths.h"
#include "core/base/Trimmed.h"

#include <dirent.h>

#include <cerrno>
#include <memory>
#include <utility>

namespace dustlyn::QuarantineFolder {

namespace fs = std::filesystem;

namespace {

// `inner` is `outer` or lies inside it (both resolved, absolute).
bool isWithin(const std::string& inner, const std::string& outer) {
    if (outer == "/")
        return true;
    return inner == outer ||
           (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
            inner[outer.size()] == '/');
}

// Every folder the quarantine may neither be nor hold, with the words that name it.
std::vector<std::pair<std::string, std::string>> guardedFolders(const std::vector<PurgeRule>& rules,
                                                                const UserFolders& folders) {
    const fs::path& home = folders.home;
    std::vector<std::pair<std::string, std::string>> guarded = {
        {resolvePath(home).native(), "your home folder"},
        {resolvePath(folders.supportDirectory()).native(),
         "Dustlyn's own folder with its settings and history"},
        {resolvePath(folders.configHome).native(), "the folder of your programs' settings"},
    };
    const std::pair<const std::string*, const char*> userDirectories[] = {
        {&folders.desktop, "your Desktop folder"},
        {&folders.downloads, "your Downloads folder"},
        {&folders.pictures, "your Pictures folder"},
        {&folders.videos, "your Videos folder"},
        {&folders.documents, "your Documents folder"},
        {&folders.music, "your Music folder"},
        {&folders.publicShare, "your Public folder"},
        {&folders.templates, "your Templates folder"},
    };
    for (const auto& [text, words] : userDirectories)
        guarded.emplace_back(resolveText(*text, home).native(), words);
    for (const auto& rule : rules)
        for (const auto& folder : rule.folders)
            if (!trimmed(folder).empty())
                guarded.emplace_back(resolveText(folder, home).native(),
                                     "the folder " + folder + " of the rule \"" + rule.name + "\"");
    return guarded;
}

bool holdsAnything(const fs::path& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(folder.c_str()), &::closedir);
    // A folder that cannot be looked into may hold anything.
    if (!stream)
        return errno != ENOENT && errno != ENOTDIR;
    while (const dirent* entry = ::readdir(stream.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            return true;
    }
    return false;
}

} // namespace

std::optional<std::string> problem(const std::string& text, const std::vector<PurgeRule>& rules,
                                   const UserFolders& folders) {
    if (trimmed(text).empty())
        return "no folder is named";
    const fs::path expanded = expandTilde(text, folders.home);
    if (!expanded.is_absolute())
        return "it is not a full path from the root folder (\"/\") or your home folder (\"~\")";
    const std::string resolved = resolvePath(expanded).native();
    // Dustlyn's own quarantine holds only what Dustlyn put there, wherever the folders lie.
    if (resolved == resolveText(folders.defaultQuarantineText(), folders.home))
        return std::nullopt;
    if (resolved == "/")
        return "it is the root folder, which holds every file of the computer";
    for (const auto& [folder, words] : guardedFolders(rules, folders)) {
        if (resolved == folder)
            return "it is " + words;
        if (isWithin(folder, resolved))
            return "it holds " + words;
    }
    return std::nullopt;
}

std::string forChoice(const std::string& text, const std::string& current,
                      const UserFolders& folders) {
    const fs::path& home = folders.home;
    const fs::path chosen = resolveText(text, home);
    if (chosen == resolveText(current, home) ||
        chosen == resolveText(folders.defaultQuarantineText(), home) ||
        chosen.filename() == dedicatedName || !holdsAnything(chosen))
        return text;
    std::string base = text;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/" + dedicatedName;
}

} // namespace dustlyn::QuarantineFolder

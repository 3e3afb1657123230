#pragma once

#include "core/quarantine/TrashEmptier.h"

#include <sys/types.h>

#include <filesystem>
#include <string_view>
#include <vector>

namespace dustlyn {

// Empties the freedesktop.org trash cans of this user: the home trash and, on each mounted
// volume, $topdir/.Trash/$UID (only when .Trash is a real sticky folder) and
// $topdir/.Trash-$UID. Each item of files/ goes before its info/*.trashinfo, orphaned info
// files are removed and directorysizes is cleared. Never follows a symbolic link and never
// leaves a trash's file system.
class XdgTrashEmptier : public TrashEmptier {
public:
    // `homeTrash` is $XDG_DATA_HOME/Trash. `mountPoints` empty means: read /proc/self/mounts.
    XdgTrashEmptier(std::filesystem::path homeTrash, uid_t uid,
                    std::vector<std::filesystem::path> mountPoints = {});

    void emptyTrash() override;

    // The trash folders that exist for this user, home trash first.
    std::vector<std::filesystem::path> trashDirectories() const;

    // The mount points listed in a mount table such as /proc/self/mounts, with its octal
    // escapes ("\040" for a space) decoded.
    static std::vector<std::filesystem::path> mountPointsFromTable(std::string_view table);

private:
    std::filesystem::path homeTrash_;
    uid_t uid_;
    std::vector<std::filesystem::path> mountPoints_;
};

} // namespace dustlyn

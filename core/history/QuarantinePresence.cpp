#include "core/history/QuarantinePresence.h"

#include "core/base/FileError.h"
#include "core/base/Paths.h"
#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileSystemCalls.h"

#include <fcntl.h>

#include <cerrno>
#include <iterator>
#include <vector>

namespace dustlyn {

bool QuarantinePresence::at(const std::string& path) {
    const std::string_view folder = folderText(path);
    auto listed = folders_.find(folder);
    if (listed == folders_.end())
        listed = folders_.emplace(std::string(folder), list(folder)).first;
    if (!listed->second) {
        // A folder that cannot be listed may still be searched.
        return itemExists(path);
    }
    return listed->second->contains(nameText(path));
}

std::optional<QuarantinePresence::Names> QuarantinePresence::list(std::string_view folder) {
    const FileDescriptor fd(
        ::open(std::string(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? std::optional<Names>(Names()) : std::nullopt;
    try {
        std::vector<std::string> names = readFolderEntries(fd.get());
        return Names(std::make_move_iterator(names.begin()), std::make_move_iterator(names.end()));
    } catch (const FileError&) {
        return std::nullopt;
    }
}

} // namespace dustlyn

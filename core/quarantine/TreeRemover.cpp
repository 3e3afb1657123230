#include "core/quarantine/TreeRemover.h"

#include "core/quarantine/FileSystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace dustlyn {

bool TreeRemover::removeEntry(int folder, const std::string& name, std::optional<dev_t> device) {
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return fail(errno);
    if (!S_ISDIR(info.st_mode))
        return unlinked(folder, name, 0);
    return removeFolderEntry(folder, name, device.value_or(info.st_dev));
}

bool TreeRemover::removeFolderEntry(int folder, const std::string& name, dev_t device) {
    FileDescriptor inner = openFolderAt(folder, name.c_str());
    if (!inner)
        return fail(errno);
    struct stat info {};
    if (::fstat(inner.get(), &info) != 0)
        return fail(errno);
    // A mount point is not entered; removing it then fails with the system's EBUSY.
    if (info.st_dev == device && !clearFolder(inner.get(), device))
        return false;
    inner.reset();
    return unlinked(folder, name, AT_REMOVEDIR);
}

bool TreeRemover::clearFolder(int folder, dev_t device) {
    std::vector<std::string> names;
    try {
        names = readFolderEntries(folder);
    } catch (const FileError& error) {
        return fail(error.code());
    }
    bool cleared = true;
    for (const auto& name : names) {
        struct stat info {};
        // Something else removing entries at the same time is no failure: they are gone.
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                cleared = fail(errno);
            continue;
        }
        const bool gone = S_ISDIR(info.st_mode) ? removeFolderEntry(folder, name, device)
                                                : unlinked(folder, name, 0);
        cleared = cleared && gone;
    }
    return cleared;
}

bool TreeRemover::unlinked(int folder, const std::string& name, int flags) {
    if (::unlinkat(folder, name.c_str(), flags) != 0)
        return fail(errno);
    removedAnything_ = true;
    return true;
}

bool TreeRemover::fail(int error) {
    if (!firstError_)
        firstError_ = FileError::fromErrno(error);
    return false;
}

} // namespace dustlyn

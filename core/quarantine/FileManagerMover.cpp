#include "core/quarantine/FileManagerMover.h"

#include "core/base/FileError.h"
#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/Purger.h"
#include "core/quarantine/TreeCopy.h"
#include "core/quarantine/TreeRemover.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

void createFolders(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError::fromErrno(error.value());
}

// The next free numbered name once `taken` turned out to be occupied after all.
fs::path nextFreeName(const fs::path& destination, const fs::path& taken) {
    const fs::path next = Purger::uniqueDestination(folderOf(destination), destination);
    // The name looks free but cannot be taken (a case-folding file system, say): give up
    // rather than trying it forever.
    if (next == taken)
        throw FileError::fromErrno(EEXIST);
    return next;
}

int syncFolder(int folder) {
    if (::fsync(folder) == 0)
        return 0;
    // Some file systems cannot flush a folder; their entries are as durable as they get.
    return errno == EINVAL || errno == ENOTSUP ? 0 : errno;
}

void removeQuietly(int folder, const std::string& name) {
    TreeRemover().removeEntry(folder, name);
    syncFolder(folder);
}

// Gives the finished copy its final name, never replacing anything there.
fs::path placeCopy(int folder, const std::string& temporary, const fs::path& destination) {
    fs::path target = destination;
    try {
        for (;;) {
            const std::string name = nameOf(target);
            const int error = renameNoReplace(folder, temporary.c_str(), folder, name.c_str());
            if (error == 0)
                return target;
            if (error != EEXIST)
                throw FileError::fromErrno(error);
            target = nextFreeName(destination, target);
        }
    } catch (...) {
        removeQuietly(folder, temporary);
        throw;
    }
}

void removeSourceFolder(const fs::path& source, const struct stat& info, int folder,
                        const std::string& placed) {
    const FileDescriptor parent(
        ::open(folderOf(source).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent) {
        const int error = errno;
        removeQuietly(folder, placed);
        throw FileError::fromErrno(error);
    }
    TreeRemover remover;
    if (remover.removeEntry(parent.get(), nameOf(source), info.st_dev))
        return;
    // While all of the original is still there, the copy goes, so the folder is in one place.
    // Once part of it is gone, the complete copy is the only whole version and stays.
    if (!remover.removedAnything())
        removeQuietly(folder, placed);
    throw remover.firstError().value_or(FileError::fromErrno(EIO));
}

// Only now, with the copy complete and on disk under its final name, may the original go.
void removeSource(const fs::path& source, const struct stat& info, int folder,
                  const std::string& placed) {
    struct stat now {};
    if (::lstat(source.c_str(), &now) != 0) {
        if (errno == ENOENT)
            return; // removed by someone else meanwhile: the copy is all there is
        const int error = errno;
        removeQuietly(folder, placed);
        throw FileError::fromErrno(error);
    }
    // Another item took the original's place while it was copied; it was never copied.
    if (now.st_dev != info.st_dev || now.st_ino != info.st_ino)
        return;
    if (S_ISDIR(info.st_mode)) {
        removeSourceFolder(source, info, folder, placed);
        return;
    }
    if (::unlink(source.c_str()) != 0) {
        const int error = errno;
        removeQuietly(folder, placed);
        throw FileError::fromErrno(error);
    }
}

fs::path moveAcrossFileSystems(const fs::path& source, const fs::path& destination,
                               std::optional<Date> dated) {
    struct stat info {};
    if (::lstat(source.c_str(), &info) != 0)
        throw FileError::fromErrno(errno);
    const FileDescriptor folder(
        ::open(folderOf(destination).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        throw FileError::fromErrno(errno);
    // Dated before it is placed, so a placed copy never carries the wrong date.
    const std::string temporary = copyToTemporary(source, info, folder.get(), dated);
    const fs::path placed = placeCopy(folder.get(), temporary, destination);
    const std::string placedName = nameOf(placed);
    if (const int error = syncFolder(folder.get()); error != 0) {
        removeQuietly(folder.get(), placedName);
        throw FileError::fromErrno(error);
    }
    removeSource(source, info, folder.get(), placedName);
    return placed;
}

} // namespace

fs::path FileManagerMover::move(const fs::path& source, const fs::path& destination,
                                std::optional<Date> dated) {
    createFolders(folderOf(destination));
    struct stat before {};
    if (::lstat(source.c_str(), &before) != 0)
        throw FileError::fromErrno(errno);
    // Dated before the rename: a crash between the two must not leave a file in quarantine
    // with its old date, which the next purge would take for long expired. A crash here
    // only leaves the file where it was, with a newer date.
    if (dated) {
        if (const int error = setModificationTime(AT_FDCWD, source.c_str(), *dated); error != 0)
            throw FileError::fromErrno(error);
    }
    const auto undate = [&] {
        if (!dated)
            return;
        const timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
        ::utimensat(AT_FDCWD, source.c_str(), times, AT_SYMLINK_NOFOLLOW);
    };
    fs::path target = destination;
    for (;;) {
        const int error = renameNoReplace(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str());
        if (error == 0)
            return target;
        if (error == EXDEV) {
            // The copy is dated on its own before it is placed.
            undate();
            return moveAcrossFileSystems(source, destination, dated);
        }
        if (error != EEXIST) {
            undate();
            throw FileError::fromErrno(error);
        }
        target = nextFreeName(destination, target);
    }
}

} // namespace dustlyn

#include "core/quarantine/FileManagerMover.h"

#include "core/base/FileError.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/Purger.h"
#include "core/quarantine/TreeCopy.h"
#include "core/quarantine/TreeRemover.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

// A sweep's files come from a handful of folders; a few open ones cover them without
// nearing the process's limit of descriptors.
constexpr std::size_t foldersKeptOpen = 8;

void createFolders(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError::fromErrno(error.value());
}

FileDescriptor openFolder(const fs::path& path, bool isDestination) {
    // The destination is the quarantine (resolved by the caller) or a restore's target,
    // whose folders the user may have made links since; only the source must be the tree
    // the scan walked.
    if (!isDestination) {
        FileDescriptor fd = openFolderWithoutLinks(path);
        if (!fd)
            throw FileError::fromErrno(errno);
        return fd;
    }
    createFolders(path);
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        throw FileError::fromErrno(errno);
    return fd;
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

// The item being moved: its folder, opened without links, its name there and its lstat.
struct Source {
    int folder;
    std::string name;
    struct stat info;
};

// Only now, with the copy complete and on disk under its final name, may the original go.
void removeSource(const Source& source, int folder, const std::string& placed) {
    const auto giveUp = [&](int error) {
        removeQuietly(folder, placed);
        throw FileError::fromErrno(error);
    };
    struct stat now {};
    if (::fstatat(source.folder, source.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return; // removed by someone else meanwhile: the copy is all there is
        giveUp(errno);
    }
    // Another item took the original's place while it was copied; it was never copied.
    if (now.st_dev != source.info.st_dev || now.st_ino != source.info.st_ino)
        return;
    if (!S_ISDIR(source.info.st_mode)) {
        if (::unlinkat(source.folder, source.name.c_str(), 0) != 0)
            giveUp(errno);
        return;
    }
    TreeRemover remover;
    if (remover.removeEntry(source.folder, source.name, source.info.st_dev))
        return;
    // While all of the original is still there, the copy goes, so the folder is in one place.
    // Once part of it is gone, the complete copy is the only whole version and stays.
    if (!remover.removedAnything())
        removeQuietly(folder, placed);
    throw remover.firstError().value_or(FileError::fromErrno(EIO));
}

fs::path moveAcrossFileSystems(const Source& source, int folder, const fs::path& destination,
                               std::optional<Date> dated) {
    // Dated before it is placed, so a placed copy never carries the wrong date.
    const std::string temporary =
        copyToTemporary(source.folder, source.name, source.info, folder, dated);
    const fs::path placed = placeCopy(folder, temporary, destination);
    const std::string placedName = nameOf(placed);
    if (const int error = syncFolder(folder); error != 0) {
        removeQuietly(folder, placedName);
        throw FileError::fromErrno(error);
    }
    removeSource(source, folder, placedName);
    return placed;
}

} // namespace

void FileManagerMover::beginPass() {
    inPass_ = true;
}

void FileManagerMover::endPass() {
    inPass_ = false;
    sources_.clear();
    destinations_.clear();
}

int FileManagerMover::folder(Side side, std::string_view path, FileDescriptor& single) {
    const bool isDestination = side == Side::destination;
    if (!inPass_) {
        single = openFolder(fs::path(path), isDestination);
        return single.get();
    }
    auto& open = isDestination ? destinations_ : sources_;
    // Compared as text: the same folder is always named the same way within one pass.
    const auto found =
        std::find_if(open.begin(), open.end(), [&](const OpenFolder& f) { return f.path == path; });
    if (found != open.end()) {
        std::rotate(open.begin(), found, found + 1);
        return open.front().fd.get();
    }
    FileDescriptor fd = openFolder(fs::path(path), isDestination);
    if (open.size() == foldersKeptOpen)
        open.pop_back();
    open.insert(open.begin(), OpenFolder{std::string(path), std::move(fd)});
    return open.front().fd.get();
}

std::string FileManagerMover::move(const std::string& source, const std::string& destination,
                                   std::optional<Date> dated) {
    return move(source, destination, dated, std::nullopt);
}

std::string FileManagerMover::move(const std::string& source, const std::string& destination,
                                   std::optional<Date> dated, std::optional<Date> modified) {
    FileDescriptor singleFrom;
    FileDescriptor singleTo;
    const int to = folder(Side::destination, folderText(destination), singleTo);
    Source item{
        folder(Side::source, folderText(source), singleFrom), std::string(nameText(source)), {}};
    const char* name = item.name.c_str();
    const auto look = [&] {
        if (::fstatat(item.folder, name, &item.info, AT_SYMLINK_NOFOLLOW) != 0)
            throw FileError::fromErrno(errno);
    };
    // A date the caller read needs no second look: a rename within the file system, the
    // common case, then touches the file twice.
    if (dated && !modified) {
        look();
        modified = modificationTime(item.info);
    }
    // Dated before the rename: a crash between the two must not leave a file in quarantine
    // with its old date, which the next purge would take for long expired. A crash here
    // only leaves the file where it was, with a newer date.
    if (dated) {
        if (const int error = setModificationTime(item.folder, name, *dated); error != 0)
            throw FileError::fromErrno(error);
    }
    const auto undate = [&] {
        if (dated)
            setModificationTime(item.folder, name, *modified);
    };
    std::string target = destination;
    for (;;) {
        const std::string targetName(nameText(target));
        const int error = renameNoReplace(item.folder, name, to, targetName.c_str());
        if (error == 0)
            return target;
        if (error == EXDEV) {
            // The copy is dated on its own before it is placed.
            undate();
            look();
            return moveAcrossFileSystems(item, to, destination, dated);
        }
        if (error != EEXIST) {
            undate();
            throw FileError::fromErrno(error);
        }
        target = nextFreeName(destination, target).native();
    }
}

} // namespace dustlyn

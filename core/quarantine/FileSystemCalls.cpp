#include "core/quarantine/FileSystemCalls.h"

#include "core/base/FileError.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

int renameat2NoReplace(int fromFolder, const char* from, int toFolder, const char* to) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return ::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE);
#else
    return static_cast<int>(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, 1));
#endif
}

bool refusesNoReplace(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

// link() fails with EEXIST instead of replacing; the second name goes only once the first
// one stands.
int linkThenUnlink(int fromFolder, const char* from, int toFolder, const char* to) {
    if (::linkat(fromFolder, from, toFolder, to, 0) != 0)
        return errno;
    if (::unlinkat(fromFolder, from, 0) != 0) {
        const int error = errno;
        ::unlinkat(toFolder, to, 0);
        return error;
    }
    return 0;
}

// rename() replaces an empty folder atomically, so an empty folder made here with mkdir (which
// fails with EEXIST instead of replacing) reserves the name for the folder being moved.
int renameOntoPlaceholder(int fromFolder, const char* from, int toFolder, const char* to) {
    if (::mkdirat(toFolder, to, 0700) != 0)
        return errno;
    if (::renameat(fromFolder, from, toFolder, to) != 0) {
        const int error = errno;
        ::unlinkat(toFolder, to, AT_REMOVEDIR);
        return error;
    }
    return 0;
}

// The same as openat2 with RESOLVE_NO_SYMLINKS, one component at a time, for kernels (or
// sandboxes) without openat2. Intermediate folders only need to be searchable.
FileDescriptor openComponentByComponent(const fs::path& path) {
    FileDescriptor folder(::open(path.is_absolute() ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::string> parts;
    for (const auto& part : path.relative_path())
        if (!part.empty())
            parts.push_back(part.native());
    for (std::size_t i = 0; folder && i < parts.size(); ++i) {
        const int access = i + 1 == parts.size() ? O_RDONLY : O_PATH;
        folder = FileDescriptor(::openat(folder.get(), parts[i].c_str(),
                                         access | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (folder && parts.empty()) // "/" or "." itself, opened for reading this time
        folder = FileDescriptor(
            ::open(path.is_absolute() ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder;
}

} // namespace

timespec toTimespec(Date date) {
    const auto since = date.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    timespec result{};
    result.tv_sec = static_cast<time_t>(seconds.count());
    result.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    return result;
}

int renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to) {
    if (renameat2NoReplace(fromFolder, from, toFolder, to) == 0)
        return 0;
    const int error = errno;
    if (!refusesNoReplace(error))
        return error;
    struct stat info {};
    if (::fstatat(fromFolder, from, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISDIR(info.st_mode))
        return renameOntoPlaceholder(fromFolder, from, toFolder, to);
    return linkThenUnlink(fromFolder, from, toFolder, to);
}

int setModificationTime(int folder, const char* name, Date date) {
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = toTimespec(date);
    return ::utimensat(folder, name, times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

Date modificationTime(const struct stat& info) {
    return dateFromUnix(info.st_mtim.tv_sec, static_cast<std::uint32_t>(info.st_mtim.tv_nsec));
}

std::optional<Date> modificationTime(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    return modificationTime(info);
}

ItemKind itemKind(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return ItemKind::missing;
    if (S_ISREG(info.st_mode))
        return ItemKind::file;
    if (S_ISDIR(info.st_mode))
        return ItemKind::folder;
    return S_ISLNK(info.st_mode) ? ItemKind::link : ItemKind::other;
}

bool itemExists(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool targetExists(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isFolder(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::int64_t> itemSize(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_size);
}

FileDescriptor openFolderAt(int folder, const char* name) {
    return FileDescriptor(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

FileDescriptor openFolderWithoutLinks(const fs::path& path) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
    if (fd >= 0)
        return FileDescriptor(static_cast<int>(fd));
    if (errno != ENOSYS && errno != EPERM)
        return FileDescriptor();
    return openComponentByComponent(path);
}

std::vector<std::string> readFolderEntries(int folder) {
    // fdopendir takes over the descriptor it is given, so it gets a duplicate; the duplicate
    // shares the read position, hence the rewind.
    const int copy = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        throw FileError::fromErrno(errno);
    DIR* stream = ::fdopendir(copy);
    if (!stream) {
        const int error = errno;
        ::close(copy);
        throw FileError::fromErrno(error);
    }
    ::rewinddir(stream);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (!entry)
            break;
        const std::string name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int error = errno;
    ::closedir(stream);
    if (error != 0)
        throw FileError::fromErrno(error);
    std::sort(names.begin(), names.end());
    return names;
}

fs::path folderOf(const fs::path& path) {
    return fs::path(folderText(path.native()));
}

std::string nameOf(const fs::path& path) {
    return std::string(nameText(path.native()));
}

namespace {

std::string_view trimmedOfSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

} // namespace

std::string_view folderText(std::string_view path) {
    path = trimmedOfSlashes(path);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    const std::string_view folder = trimmedOfSlashes(path.substr(0, slash));
    return folder.empty() ? std::string_view("/") : folder;
}

std::string_view nameText(std::string_view path) {
    path = trimmedOfSlashes(path);
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace dustlyn

#include "core/quarantine/TreeCopy.h"

#include "core/base/FileError.h"
#include "core/base/Uuid.h"
#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/TreeRemover.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace dustlyn {

namespace {

// Bounded so that a huge file is copied in steps that each can fail or be interrupted.
constexpr std::size_t chunkSize = std::size_t(1) << 20;
constexpr std::size_t bufferSize = std::size_t(128) << 10;
constexpr int nameAttempts = 100;

// One item to copy: where it is, and what lstat said about it.
struct SourceItem {
    int folder = AT_FDCWD;
    std::string name;
    struct stat info {};
    std::string linkTarget;
};

// The new item, just made: errno of its creation, and for files and folders an open descriptor.
struct CreatedItem {
    int error = 0;
    FileDescriptor fd;
};

[[noreturn]] void throwErrno() {
    throw FileError::fromErrno(errno);
}

std::string hiddenName() {
    std::string suffix;
    for (char c : Uuid::random().text())
        if (c != '-' && suffix.size() < 12)
            suffix += c;
    return std::string(partialCopyPrefix) + suffix;
}

std::string readLink(int folder, const std::string& name) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t size = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
        if (size < 0)
            throwErrno();
        if (std::size_t(size) < buffer.size())
            return std::string(buffer.data(), std::size_t(size));
        buffer.resize(buffer.size() * 2);
    }
}

void writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throwErrno();
        }
        if (written == 0)
            throw FileError::fromErrno(EIO);
        data += written;
        size -= std::size_t(written);
    }
}

ssize_t readThenWrite(int in, int out, std::vector<char>& buffer) {
    buffer.resize(bufferSize);
    const ssize_t size = ::read(in, buffer.data(), buffer.size());
    if (size > 0)
        writeAll(out, buffer.data(), std::size_t(size));
    return size;
}

bool cannotCopyRange(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == ENOTSUP ||
           error == EOPNOTSUPP;
}

// The kernel's copy where it can (no trip through user space), plain read and write where
// it cannot. All three advance the descriptors' own offsets, so they can take over from one
// another mid-file.
void copyContents(int in, int out, off_t expectedSize) {
    enum class Method { range, sendfile, readWrite };
    Method method = Method::range;
    std::vector<char> buffer;
    off_t copied = 0;
    for (;;) {
        ssize_t size = 0;
        if (method == Method::range)
            size = ::copy_file_range(in, nullptr, out, nullptr, chunkSize, 0);
        else if (method == Method::sendfile)
            size = ::sendfile(out, in, nullptr, chunkSize);
        else
            size = readThenWrite(in, out, buffer);
        if (size < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if (method == Method::range && cannotCopyRange(error)) {
                method = Method::sendfile;
                continue;
            }
            if (method == Method::sendfile && (error == EINVAL || error == ENOSYS)) {
                method = Method::readWrite;
                continue;
            }
            throw FileError::fromErrno(error);
        }
        if (size == 0) {
            // Some file systems report the end early to the kernel's copy; read() decides.
            if (method != Method::readWrite && copied < expectedSize) {
                method = Method::readWrite;
                continue;
            }
            return;
        }
        copied += size;
    }
}

std::vector<char> attributeNames(int fd) {
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            if (errno == ENOTSUP || errno == EOPNOTSUPP)
                return {};
            throwErrno();
        }
        std::vector<char> names(static_cast<std::size_t>(size));
        if (size == 0)
            return names;
        const ssize_t got = ::flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(std::size_t(got));
            return names;
        }
        if (errno != ERANGE)
            throwErrno();
    }
}

// The value, or nothing when the attribute went away since it was listed.
std::optional<std::vector<char>> attributeValue(int fd, const char* name) {
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size < 0) {
            if (errno == ENODATA)
                return std::nullopt;
            throwErrno();
        }
        std::vector<char> value(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(std::size_t(got));
            return value;
        }
        if (errno != ERANGE)
            throwErrno();
    }
}

void copyExtendedAttributes(int in, int out) {
    const std::vector<char> names = attributeNames(in);
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        const auto value = attributeValue(in, name);
        if (!value || ::fsetxattr(out, name, value->data(), value->size(), 0) == 0)
            continue;
        const int error = errno;
        // A file system mounted without user attributes cannot hold them at all; anything
        // else (a refused ACL, a full disk) is a real failure.
        if ((error == ENOTSUP || error == EOPNOTSUPP) &&
            std::string_view(name).starts_with("user."))
            continue;
        throw FileError::fromErrno(error);
    }
}

// Only root may give a file to someone else; a user's own files keep their owner anyway, so
// a refusal is the normal case for an ordinary user and no failure.
void copyOwner(int fd, const struct stat& info) {
    if (::fchown(fd, info.st_uid, info.st_gid) != 0 && errno != EPERM)
        throwErrno();
}

void copyOwnerAt(int folder, const std::string& name, const struct stat& info) {
    if (::fchownat(folder, name.c_str(), info.st_uid, info.st_gid, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno != EPERM)
        throwErrno();
}

// Mode, attributes and times go last: writing the contents would change the times, and a
// change of owner clears set-id bits.
void finishOpenItem(int in, int out, const struct stat& info, const timespec& modified) {
    copyOwner(out, info);
    if (::fchmod(out, info.st_mode & 07777) != 0)
        throwErrno();
    copyExtendedAttributes(in, out);
    const timespec times[2] = {info.st_atim, modified};
    if (::futimens(out, times) != 0)
        throwErrno();
    if (::fsync(out) != 0)
        throwErrno();
}

FileDescriptor openSame(const SourceItem& item, int flags) {
    FileDescriptor fd(::openat(item.folder, item.name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        throwErrno();
    struct stat now {};
    if (::fstat(fd.get(), &now) != 0)
        throwErrno();
    // Replaced since it was looked at: the next sweep will see what is there now.
    if (now.st_dev != item.info.st_dev || now.st_ino != item.info.st_ino)
        throw FileError::fromErrno(EAGAIN);
    return fd;
}

class Copier {
public:
    explicit Copier(dev_t device) : device_(device) {}

    CreatedItem create(const SourceItem& item, int folder, const std::string& name) const;
    void fill(const SourceItem& item, CreatedItem& created, int folder, const std::string& name,
              const timespec& modified) const;

private:
    void fillFile(const SourceItem& item, FileDescriptor& out, const timespec& modified) const;
    void fillFolder(const SourceItem& item, int out, const timespec& modified) const;
    void copyChild(int sourceFolder, const std::string& name, int targetFolder) const;

    dev_t device_;
};

// A copy in progress holds its top item locked; a partial copy nobody holds is abandoned.
void holdWhileCopying(const CreatedItem& created) {
    if (created.fd)
        ::flock(created.fd.get(), LOCK_EX | LOCK_NB);
}

CreatedItem Copier::create(const SourceItem& item, int folder, const std::string& name) const {
    CreatedItem created;
    const mode_t mode = item.info.st_mode;
    if (S_ISREG(mode)) {
        created.fd = FileDescriptor(::openat(
            folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        created.error = created.fd ? 0 : errno;
    } else if (S_ISDIR(mode)) {
        if (::mkdirat(folder, name.c_str(), 0700) != 0) {
            created.error = errno;
        } else {
            created.fd = openFolderAt(folder, name.c_str());
            created.error = created.fd ? 0 : errno;
            if (!created.fd)
                ::unlinkat(folder, name.c_str(), AT_REMOVEDIR);
        }
    } else if (S_ISLNK(mode)) {
        created.error = ::symlinkat(item.linkTarget.c_str(), folder, name.c_str()) == 0 ? 0 : errno;
    } else if (S_ISFIFO(mode)) {
        created.error = ::mkfifoat(folder, name.c_str(), 0600) == 0 ? 0 : errno;
    } else {
        // Sockets and devices mean nothing on another file system.
        created.error = ENOTSUP;
    }
    return created;
}

void Copier::fill(const SourceItem& item, CreatedItem& created, int folder, const std::string& name,
                  const timespec& modified) const {
    const mode_t mode = item.info.st_mode;
    if (S_ISREG(mode)) {
        fillFile(item, created.fd, modified);
        return;
    }
    if (S_ISDIR(mode)) {
        fillFolder(item, created.fd.get(), modified);
        return;
    }
    // A link or a pipe: nothing to open, attributes set by name without following.
    copyOwnerAt(folder, name, item.info);
    if (S_ISFIFO(mode) && ::fchmodat(folder, name.c_str(), mode & 07777, 0) != 0)
        throwErrno();
    const timespec times[2] = {item.info.st_atim, modified};
    if (::utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throwErrno();
}

void Copier::fillFile(const SourceItem& item, FileDescriptor& out, const timespec& modified) const {
    const FileDescriptor in = openSame(item, O_RDONLY);
    copyContents(in.get(), out.get(), item.info.st_size);
    finishOpenItem(in.get(), out.get(), item.info, modified);
    if (out.close() != 0)
        throwErrno();
}

void Copier::fillFolder(const SourceItem& item, int out, const timespec& modified) const {
    const FileDescriptor in = openSame(item, O_RDONLY | O_DIRECTORY);
    // A file system mounted inside the folder could not be removed with it afterwards.
    if (item.info.st_dev != device_)
        throw FileError::fromErrno(EXDEV);
    for (const auto& name : readFolderEntries(in.get()))
        copyChild(in.get(), name, out);
    finishOpenItem(in.get(), out, item.info, modified);
}

void Copier::copyChild(int sourceFolder, const std::string& name, int targetFolder) const {
    SourceItem child{sourceFolder, name, {}, {}};
    if (::fstatat(sourceFolder, name.c_str(), &child.info, AT_SYMLINK_NOFOLLOW) != 0)
        throwErrno();
    if (S_ISLNK(child.info.st_mode))
        child.linkTarget = readLink(sourceFolder, name);
    CreatedItem created = create(child, targetFolder, name);
    if (created.error != 0)
        throw FileError::fromErrno(created.error);
    fill(child, created, targetFolder, name, child.info.st_mtim);
}

} // namespace

std::string copyToTemporary(int sourceFolder, const std::string& sourceName,
                            const struct stat& info, int folder, std::optional<Date> dated) {
    SourceItem item{sourceFolder, sourceName, info, {}};
    if (S_ISLNK(info.st_mode))
        item.linkTarget = readLink(sourceFolder, item.name);
    const Copier copier(info.st_dev);
    std::string name;
    CreatedItem created;
    for (int attempt = 1;; ++attempt) {
        name = hiddenName();
        created = copier.create(item, folder, name);
        if (created.error == 0)
            break;
        if (created.error != EEXIST || attempt == nameAttempts)
            throw FileError::fromErrno(created.error);
    }
    holdWhileCopying(created);
    try {
        copier.fill(item, created, folder, name, dated ? toTimespec(*dated) : info.st_mtim);
    } catch (...) {
        created.fd.reset();
        TreeRemover().removeEntry(folder, name);
        throw;
    }
    return name;
}

std::size_t removeAbandonedCopies(const std::filesystem::path& folder) {
    const FileDescriptor open(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!open)
        return 0;
    std::vector<std::string> names;
    try {
        names = readFolderEntries(open.get());
    } catch (const FileError&) {
        return 0;
    }
    std::size_t removed = 0;
    for (const auto& name : names) {
        if (!name.starts_with(partialCopyPrefix))
            continue;
        // A link or a pipe is made and finished in one go, so only files and folders can be
        // in the middle of a copy; those are opened to ask for their lock.
        const FileDescriptor item(
            ::openat(open.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (item && ::flock(item.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
            continue;
        if (TreeRemover().removeEntry(open.get(), name))
            ++removed;
    }
    if (removed > 0)
        ::fsync(open.get());
    return removed;
}

} // namespace dustlyn

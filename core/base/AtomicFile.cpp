#include "core/base/AtomicFile.h"

#include "core/base/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError::fromErrno(errno);
        }
        bytes.remove_prefix(std::size_t(n));
    }
}

fs::path folderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

} // namespace

void syncDirectory(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw FileError::fromErrno(errno);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot flush a folder; the data itself was flushed already.
    if (result != 0 && error != EINVAL && error != ENOTSUP)
        throw FileError::fromErrno(error);
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    writeFileAtomically(target, std::span<const std::string_view>(&bytes, 1));
}

void writeFileAtomically(const fs::path& target, std::span<const std::string_view> pieces) {
    AtomicFile file(target);
    for (const std::string_view piece : pieces)
        file.write(piece);
    file.commit();
}

AtomicFile::AtomicFile(const fs::path& target) : target_(target) {
    const fs::path folder = folderOf(target);
    std::string pattern = (folder / ("." + target.filename().native() + ".tmp-XXXXXX")).native();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkstemp makes the file 0600; a configuration is the user's own file either way.
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0)
        throw FileError::fromErrno(errno);
    temporary_ = name.data();
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::move(other.temporary_)),
      fd_(std::exchange(other.fd_, -1)) {}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (fd_ < 0)
        return;
    ::close(std::exchange(fd_, -1));
    ::unlink(temporary_.c_str());
}

void AtomicFile::write(std::string_view bytes) {
    try {
        writeAll(fd_, bytes);
    } catch (...) {
        discard();
        throw;
    }
}

void AtomicFile::startFlush() const {
    // Only a hint to start the writing early: commit() flushes and checks all of it.
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

void AtomicFile::flush() {
    if (::fsync(fd_) != 0) {
        const int error = errno;
        discard();
        throw FileError::fromErrno(error);
    }
}

void AtomicFile::commit() {
    flush();
    if (::close(std::exchange(fd_, -1)) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        throw FileError::fromErrno(error);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        throw FileError::fromErrno(error);
    }
    syncDirectory(folderOf(target_));
}

std::optional<std::string> readWholeFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return content;
}

void createDirectories(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError(error.value(), error.message());
}

} // namespace dustlyn

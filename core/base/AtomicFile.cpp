#include "core/base/AtomicFile.h"

#include "core/base/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
    const fs::path folder = folderOf(target);
    std::string pattern = (folder / ("." + target.filename().native() + ".tmp-XXXXXX")).native();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        throw FileError::fromErrno(errno);
    const std::string temporary(name.data());
    try {
        // mkstemp makes the file 0600; a configuration is the user's own file either way.
        for (const std::string_view piece : pieces)
            writeAll(fd, piece);
        if (::fsync(fd) != 0)
            throw FileError::fromErrno(errno);
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw FileError::fromErrno(error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw FileError::fromErrno(error);
    }
    syncDirectory(folder);
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

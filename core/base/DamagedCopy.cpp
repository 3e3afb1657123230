#include "core/base/DamagedCopy.h"

#include "core/base/AtomicFile.h"
#include "core/base/FileError.h"
#include "core/quarantine/FileSystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace dustlyn::DamagedCopy {

namespace fs = std::filesystem;

namespace {

// Enough for any real run of mishaps; past it something else is wrong with the folder.
constexpr int maxCopies = 1000;

fs::path candidate(const fs::path& file, int n) {
    std::string name = file.native() + ".damaged";
    if (n > 1)
        name += "-" + std::to_string(n);
    return fs::path(name);
}

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

// Creates `path` exclusively with `bytes`, flushed; false when the name is taken.
bool createWith(const fs::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw FileError::fromErrno(errno);
    }
    try {
        writeAll(fd, bytes);
        if (::fsync(fd) != 0)
            throw FileError::fromErrno(errno);
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        throw FileError::fromErrno(error);
    }
    return true;
}

} // namespace

fs::path freeName(const fs::path& file) {
    for (int n = 1; n < maxCopies; ++n)
        if (!itemExists(candidate(file, n)))
            return candidate(file, n);
    return candidate(file, maxCopies);
}

fs::path setAside(const fs::path& file) {
    for (int n = 1; n <= maxCopies; ++n) {
        const fs::path target = candidate(file, n);
        const int error = renameNoReplace(AT_FDCWD, file.c_str(), AT_FDCWD, target.c_str());
        if (error == 0)
            return target;
        if (error != EEXIST && error != ENOTEMPTY)
            throw FileError::fromErrno(error);
    }
    throw FileError::fromErrno(EEXIST);
}

std::optional<fs::path> existingCopy(const fs::path& file, std::string_view bytes) {
    for (int n = 1; n <= maxCopies; ++n) {
        const fs::path target = candidate(file, n);
        if (!itemExists(target))
            return std::nullopt;
        if (const auto kept = readWholeFile(target); kept && *kept == bytes)
            return target;
    }
    return std::nullopt;
}

fs::path keepCopy(const fs::path& file, std::string_view bytes) {
    for (int n = 1; n <= maxCopies; ++n) {
        const fs::path target = candidate(file, n);
        if (const auto kept = readWholeFile(target); kept && *kept == bytes)
            return target;
        if (itemExists(target) || !createWith(target, bytes))
            continue;
        try {
            syncDirectory(file.parent_path().empty() ? fs::path(".") : file.parent_path());
        } catch (const FileError&) {
            // The copy is written and flushed; only its name might not survive a power cut.
        }
        return target;
    }
    throw FileError::fromErrno(EEXIST);
}

} // namespace dustlyn::DamagedCopy

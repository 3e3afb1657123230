#include "core/quarantine/QuarantineScanner.h"

#include "core/base/FileError.h"
#include "core/base/Paths.h"
#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileSystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

// One regular file found by the walk, with the moment it entered quarantine.
struct ListedFile {
    fs::path url;
    std::int64_t size = 0;
    Date modified;
};

// Hidden names (a copy still being made among them) are skipped; links are never followed.
void walk(int folder, const fs::path& path, std::vector<ListedFile>& files) {
    std::vector<std::string> names;
    try {
        names = readFolderEntries(folder);
    } catch (const FileError&) {
        return; // an unreadable folder lists nothing
    }
    for (const auto& name : names) {
        if (name.starts_with('.'))
            continue;
        struct stat info {};
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(info.st_mode)) {
            files.push_back({path / name, std::int64_t(info.st_size), modificationTime(info)});
        } else if (S_ISDIR(info.st_mode)) {
            const FileDescriptor inner = openFolderAt(folder, name.c_str());
            if (inner)
                walk(inner.get(), path / name, files);
        }
    }
}

std::vector<ListedFile> listFiles(const fs::path& folder) {
    const fs::path root = resolvePath(folder);
    const FileDescriptor fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<ListedFile> files;
    if (fd)
        walk(fd.get(), root, files);
    return files;
}

bool hasExpired(const ListedFile& file, double ttl, Date now) {
    return secondsBetween(file.modified, now) >= ttl;
}

} // namespace

std::vector<QuarantinedFile> QuarantineScanner::scanAll(const fs::path& folder, double ttl,
                                                        Date now) const {
    std::vector<QuarantinedFile> result;
    for (auto& file : listFiles(folder))
        result.push_back({Uuid::random(), std::move(file.url), file.size, file.modified,
                          dateAfter(file.modified, ttl), hasExpired(file, ttl, now)});
    std::stable_sort(result.begin(), result.end(),
                     [](const auto& a, const auto& b) { return a.expiresDate < b.expiresDate; });
    return result;
}

std::vector<MatchedFile> QuarantineScanner::scanExpired(const fs::path& folder, double ttl,
                                                        Date now) const {
    std::vector<MatchedFile> result;
    for (auto& file : listFiles(folder))
        if (hasExpired(file, ttl, now))
            result.emplace_back(std::move(file.url), file.size, file.modified, Uuid::random(), true,
                                file.modified);
    return result;
}

} // namespace dustlyn

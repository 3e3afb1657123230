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

// Hidden names (a copy still being made among them) are skipped; links are never followed.
// `path` is the folder's path with a trailing slash, grown and shrunk as the walk goes down.
void walk(int folder, std::string& path, std::vector<QuarantinedFile>& files) {
    std::vector<std::string> names;
    try {
        names = readFolderEntries(folder);
    } catch (const FileError&) {
        return; // an unreadable folder lists nothing
    }
    const std::size_t length = path.size();
    for (const auto& name : names) {
        if (name.starts_with('.'))
            continue;
        struct stat info {};
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(info.st_mode)) {
            QuarantinedFile& file = files.emplace_back();
            file.url.reserve(length + name.size());
            file.url.append(path).append(name);
            file.size = std::int64_t(info.st_size);
            file.quarantinedDate = modificationTime(info);
        } else if (S_ISDIR(info.st_mode)) {
            const FileDescriptor inner = openFolderAt(folder, name.c_str());
            if (!inner)
                continue;
            path.append(name).push_back('/');
            walk(inner.get(), path, files);
            path.resize(length);
        }
    }
}

} // namespace

std::vector<QuarantinedFile> QuarantineScanner::list(const fs::path& folder, double ttl,
                                                     Date now) const {
    std::string root = resolvePath(folder).native();
    const FileDescriptor fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<QuarantinedFile> files;
    if (!fd)
        return files;
    if (root.empty() || root.back() != '/')
        root.push_back('/');
    walk(fd.get(), root, files);
    // Fresh at each listing, and asked of the kernel in one go.
    const std::vector<Uuid> ids = Uuid::randomMany(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        QuarantinedFile& file = files[i];
        file.id = ids[i];
        file.expiresDate = dateAfter(file.quarantinedDate, ttl);
        file.isExpired = secondsBetween(file.quarantinedDate, now) >= ttl;
    }
    return files;
}

std::vector<QuarantinedFile> QuarantineScanner::scanAll(const fs::path& folder, double ttl,
                                                        Date now) const {
    std::vector<QuarantinedFile> files = list(folder, ttl, now);
    sortByExpiry(files);
    return files;
}

void QuarantineScanner::sortByExpiry(std::vector<QuarantinedFile>& files) {
    std::stable_sort(files.begin(), files.end(),
                     [](const auto& a, const auto& b) { return a.expiresDate < b.expiresDate; });
}

std::vector<MatchedFile> QuarantineScanner::expired(const std::vector<QuarantinedFile>& files) {
    std::vector<MatchedFile> result;
    for (const auto& file : files)
        if (file.isExpired)
            result.emplace_back(file.url, file.size, file.quarantinedDate, file.id, true,
                                file.quarantinedDate);
    return result;
}

} // namespace dustlyn

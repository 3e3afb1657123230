#include "core/scan/DirectoryWalk.h"

#include "core/base/Utf8.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace dustlyn {

namespace {

constexpr unsigned statxMask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_MNT_ID;
// Cached attributes are good enough for a scan, and an automount point below the folder
// must not be triggered by merely looking at it.
constexpr int statxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;
// A ".hidden" file is a short list of names; anything larger is read only this far.
constexpr std::size_t hiddenListLimit = 1 << 20;

Date dateOf(const struct statx_timestamp& time) {
    return dateFromUnix(time.tv_sec, time.tv_nsec);
}

FileFacts factsOf(const struct statx& info) {
    FileFacts facts;
    if (info.stx_mask & STATX_TYPE) {
        facts.isRegularFile = S_ISREG(info.stx_mode);
        facts.isDirectory = S_ISDIR(info.stx_mode);
    }
    if (info.stx_mask & STATX_SIZE)
        facts.size = static_cast<std::int64_t>(info.stx_size);
    if (info.stx_mask & STATX_MTIME)
        facts.modification = dateOf(info.stx_mtime);
    if (info.stx_mask & STATX_BTIME)
        facts.creation = dateOf(info.stx_btime);
    return facts;
}

// Which mount an entry lives on. The mount identifier also tells bind mounts of the same
// file system apart; older kernels give none, and the device number has to do.
struct MountIdentity {
    bool hasMountID = false;
    std::uint64_t mountID = 0;
    std::uint32_t deviceMajor = 0;
    std::uint32_t deviceMinor = 0;

    static MountIdentity of(const struct statx& info) {
        return {(info.stx_mask & STATX_MNT_ID) != 0, info.stx_mnt_id, info.stx_dev_major,
                info.stx_dev_minor};
    }

    bool operator==(const MountIdentity& other) const {
        if (hasMountID && other.hasMountID)
            return mountID == other.mountID;
        return deviceMajor == other.deviceMajor && deviceMinor == other.deviceMinor;
    }
};

bool isAlwaysSkipped(unsigned char type) {
    // Links are never followed and special files are never claimed, so they need no stat.
    return type == DT_LNK || type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK;
}

// The names listed in the folder's ".hidden" file, one per line, sorted.
std::vector<std::string> readHiddenList(int folderFd) {
    std::vector<std::string> names;
    const int fd = openat(folderFd, ".hidden", O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return names;
    struct stat info {};
    std::string content;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[8192];
        ssize_t count = 0;
        while (content.size() < hiddenListLimit && (count = read(fd, buffer, sizeof buffer)) > 0)
            content.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        if (end > start)
            names.emplace_back(content, start, end - start);
        start = end + 1;
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct DirectoryEntry {
    std::size_t nameOffset;
    std::size_t nameLength;
    unsigned char type;
};

// One folder's entries, read whole before any is looked at: the ".hidden" file may come
// last, yet it decides about the entries before it.
struct DirectoryListing {
    std::string names; // each name followed by a NUL, ready for the *at calls
    std::vector<DirectoryEntry> entries;
    bool hasHiddenList = false;

    const char* name(const DirectoryEntry& entry) const { return names.data() + entry.nameOffset; }
};

DirectoryListing readListing(DIR* directory) {
    DirectoryListing listing;
    while (const dirent* entry = readdir(directory)) {
        const std::string_view name(entry->d_name);
        if (name == ".hidden")
            listing.hasHiddenList = true;
        if (name.empty() || name.front() == '.' || isAlwaysSkipped(entry->d_type))
            continue;
        listing.entries.push_back({listing.names.size(), name.size(), entry->d_type});
        listing.names.append(name);
        listing.names.push_back('\0');
    }
    return listing;
}

} // namespace

std::optional<FileFacts> readFileFacts(int folderFd, const char* name) {
    struct statx info {};
    if (statx(folderFd, name, statxFlags, statxMask, &info) != 0)
        return std::nullopt;
    return factsOf(info);
}

bool isWithinFolder(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return !path.empty() && path.front() == '/';
    return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

// Fills a DirectoryWalk, one folder at a time, depth first.
class DirectoryWalker {
public:
    DirectoryWalker(DirectoryWalk& walk, const std::vector<std::string>& excluded)
        : walk_(walk), excluded_(excluded) {}

    void run(const std::string& root) {
        if (root.empty() || root.front() != '/' || isExcluded(root))
            return;
        const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct statx info {};
        if (statx(fd, "", AT_EMPTY_PATH | statxFlags, STATX_TYPE | STATX_MNT_ID, &info) != 0) {
            close(fd);
            return;
        }
        rootMount_ = MountIdentity::of(info);
        prefix_ = root;
        if (prefix_.back() != '/')
            prefix_.push_back('/');
        walkFolder(fd, isValidUtf8(root));
    }

private:
    // Takes ownership of `fd`. `prefix_` is the folder's path with a trailing slash.
    void walkFolder(int fd, bool validUtf8) {
        DIR* directory = fdopendir(fd);
        if (!directory) {
            close(fd);
            return;
        }
        const int folderFd = dirfd(directory);
        const DirectoryListing listing = readListing(directory);
        const std::vector<std::string> hidden =
            listing.hasHiddenList ? readHiddenList(folderFd) : std::vector<std::string>{};
        for (const auto& entry : listing.entries) {
            const std::string_view name(listing.name(entry), entry.nameLength);
            if (!hidden.empty() && std::binary_search(hidden.begin(), hidden.end(), name))
                continue;
            visit(folderFd, listing.name(entry), name, validUtf8 && isValidUtf8(name));
        }
        closedir(directory);
    }

    void visit(int folderFd, const char* cName, std::string_view name, bool validUtf8) {
        struct statx info {};
        if (statx(folderFd, cName, statxFlags, statxMask, &info) != 0 ||
            !(info.stx_mask & STATX_TYPE))
            return; // gone or unreadable since the folder was listed
        if (S_ISREG(info.stx_mode))
            addFile(name, factsOf(info), validUtf8);
        else if (S_ISDIR(info.stx_mode) && MountIdentity::of(info) == rootMount_)
            enterFolder(folderFd, cName, name, validUtf8);
    }

    void addFile(std::string_view name, const FileFacts& facts, bool validUtf8) {
        std::string& paths = walk_.paths_;
        DirectoryWalk::File file;
        file.pathOffset = paths.size();
        file.pathLength = prefix_.size() + name.size();
        file.nameLength = name.size();
        file.size = facts.size;
        file.modification = facts.modification;
        file.creation = facts.creation;
        file.validUtf8 = validUtf8;
        paths.append(prefix_);
        paths.append(name);
        walk_.files_.push_back(file);
    }

    void enterFolder(int folderFd, const char* cName, std::string_view name, bool validUtf8) {
        const std::size_t restore = prefix_.size();
        prefix_.append(name);
        if (!isExcluded(prefix_)) {
            // O_NOFOLLOW: a folder swapped for a link since the stat is not entered.
            const int fd = openat(folderFd, cName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                prefix_.push_back('/');
                walkFolder(fd, validUtf8);
            }
        }
        prefix_.resize(restore);
    }

    bool isExcluded(std::string_view folder) const {
        return std::any_of(excluded_.begin(), excluded_.end(), [&](const std::string& excluded) {
            return isWithinFolder(folder, excluded);
        });
    }

    DirectoryWalk& walk_;
    const std::vector<std::string>& excluded_;
    MountIdentity rootMount_;
    std::string prefix_;
};

DirectoryWalk DirectoryWalk::run(const std::string& root,
                                 const std::vector<std::string>& excluded) {
    DirectoryWalk walk;
    DirectoryWalker(walk, excluded).run(root);
    return walk;
}

} // namespace dustlyn

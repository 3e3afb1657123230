#include "core/scan/DirectoryWalk.h"

#include "core/base/Utf8.h"
#include "core/rules/NameMatcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>

namespace dustlyn {

namespace {

constexpr unsigned statxMask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_MNT_ID;
// Cached attributes are good enough for a scan, and an automount point below the folder
// must not be triggered by merely looking at it.
constexpr int statxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;
// A ".hidden" file is a short list of names; anything larger is read only this far.
constexpr std::size_t hiddenListLimit = 1 << 20;
// How much one getdents64 call may fill: a folder of a few thousand entries in one call.
constexpr std::size_t listingReadSize = std::size_t{128} * 1024;
constexpr std::uint32_t noMatcher = UINT32_MAX;

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

// One folder's raw getdents64 records, read whole before any is looked at: the ".hidden"
// file may come last, yet it decides about the entries before it. Kept per depth and
// reused, so a walk allocates for its deepest and largest folders only.
class Listing {
public:
    // False when nothing could be read at all.
    bool read(int fd) {
        size_ = 0;
        for (;;) {
            makeRoom(listingReadSize);
            const ssize_t count = getdents64(fd, data_.get() + size_, listingReadSize);
            if (count <= 0)
                return count == 0 || size_ > 0; // an error midway keeps what was read
            size_ += static_cast<std::size_t>(count);
        }
    }

    // Entries read, "." and ".." included.
    std::size_t count() const {
        std::size_t entries = 0;
        forEach([&entries](const struct dirent64&) { ++entries; });
        return entries;
    }

    template <class Visit> void forEach(Visit&& visit) const {
        for (std::size_t at = 0; at < size_;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(data_.get() + at);
            at += entry->d_reclen;
            visit(*entry);
        }
    }

private:
    void makeRoom(std::size_t wanted) {
        if (capacity_ - size_ >= wanted)
            return;
        const std::size_t capacity = std::max(capacity_ * 2, size_ + wanted);
        // getdents64 aligns its records for dirent64; so does the allocation.
        auto data = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ > 0)
            std::memcpy(data.get(), data_.get(), size_);
        data_ = std::move(data);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

bool hasHiddenList(const Listing& listing) {
    bool found = false;
    listing.forEach([&](const struct dirent64& entry) {
        found = found || std::strcmp(entry.d_name, ".hidden") == 0;
    });
    return found;
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
    DirectoryWalker(DirectoryWalk& walk, const std::vector<std::string>& excluded,
                    const std::vector<const NameMatcher*>& matchers,
                    DirectoryWalk::Listener* listener)
        : walk_(walk), excluded_(excluded), matchers_(matchers), listener_(listener) {}

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
        walkFolder(fd, 0, isValidUtf8(root));
    }

private:
    // Takes ownership of `fd`. `prefix_` is the folder's path with a trailing slash.
    void walkFolder(int fd, std::size_t depth, bool validUtf8) {
        if (listings_.size() <= depth)
            listings_.emplace_back();
        Listing& listing = listings_[depth];
        if (!listing.read(fd)) {
            close(fd);
            return;
        }
        const std::vector<std::string> hidden =
            hasHiddenList(listing) ? readHiddenList(fd) : std::vector<std::string>{};
        makeRoom(listing.count());
        listing.forEach([&](const struct dirent64& entry) {
            const std::string_view name(entry.d_name);
            if (name.empty() || name.front() == '.' || isAlwaysSkipped(entry.d_type))
                return;
            if (!hidden.empty() && std::binary_search(hidden.begin(), hidden.end(), name))
                return;
            const bool ascii = isAscii(name);
            const Entry visited{
                fd, entry.d_name, name, validUtf8 && (ascii || isValidUtf8(name)), ascii, depth};
            if (entry.d_type == DT_REG)
                visitFile(visited);
            else
                visitOther(visited);
        });
        close(fd);
    }

    struct Entry {
        int folderFd;
        const char* cName;
        std::string_view name;
        bool validUtf8; // the whole path
        bool ascii;     // the name
        std::size_t depth;
    };

    // A regular file as the listing says: looked at closely only when a matcher wants it.
    void visitFile(const Entry& entry) {
        if (!entry.validUtf8) {
            walk_.unrecordable_.push_back(walk_.paths_.add(prefix_, entry.name));
            return;
        }
        const std::uint32_t matcher = firstMatcher(entry);
        if (matcher == noMatcher)
            return;
        // Not zeroed first: the kernel fills all of it when the call succeeds, and these 256
        // bytes are asked for once per file.
        struct statx info;
        if (statx(entry.folderFd, entry.cName, statxFlags, statxMask, &info) != 0 ||
            !(info.stx_mask & STATX_TYPE))
            return; // gone or unreadable since the folder was listed
        if (S_ISREG(info.stx_mode))
            addFile(entry.name, info, matcher);
        else if (S_ISDIR(info.stx_mode))
            enterIfSameMount(entry, info); // replaced by a folder since the listing
    }

    // A folder, or an entry whose type the file system does not report in its listing.
    void visitOther(const Entry& entry) {
        struct statx info {};
        if (statx(entry.folderFd, entry.cName, statxFlags, statxMask, &info) != 0 ||
            !(info.stx_mask & STATX_TYPE))
            return;
        if (S_ISDIR(info.stx_mode)) {
            enterIfSameMount(entry, info);
        } else if (S_ISREG(info.stx_mode)) {
            if (!entry.validUtf8) {
                walk_.unrecordable_.push_back(walk_.paths_.add(prefix_, entry.name));
                return;
            }
            const std::uint32_t matcher = firstMatcher(entry);
            if (matcher != noMatcher)
                addFile(entry.name, info, matcher);
        }
    }

    // Room for every entry of a folder about to be read: one allocation for a large folder
    // instead of a series of copies, and growth by doubling across many small ones.
    void makeRoom(std::size_t entries) {
        auto& files = walk_.files_;
        if (files.capacity() - files.size() < entries)
            files.reserve(std::max(files.size() + entries, files.capacity() * 2));
    }

    std::uint32_t firstMatcher(const Entry& entry) const {
        for (std::size_t i = 0; i < matchers_.size(); ++i)
            if (matchers_[i]->matches(entry.name, entry.ascii))
                return static_cast<std::uint32_t>(i);
        return noMatcher;
    }

    void addFile(std::string_view name, const struct statx& info, std::uint32_t matcher) {
        const std::string_view path = walk_.paths_.add(prefix_, name);
        DirectoryWalk::File& file = walk_.files_.emplace_back();
        file.path = path;
        file.nameLength = static_cast<std::uint16_t>(name.size());
        file.firstMatcher = matcher;
        if (info.stx_mask & STATX_SIZE)
            file.size = static_cast<std::int64_t>(info.stx_size);
        file.hasModification = (info.stx_mask & STATX_MTIME) != 0;
        if (file.hasModification)
            file.modificationDate = dateOf(info.stx_mtime);
        file.hasCreation = (info.stx_mask & STATX_BTIME) != 0;
        if (file.hasCreation)
            file.creationDate = dateOf(info.stx_btime);
        if (listener_)
            listener_->found(path);
    }

    void enterIfSameMount(const Entry& entry, const struct statx& info) {
        if (!(MountIdentity::of(info) == rootMount_))
            return;
        const std::size_t restore = prefix_.size();
        prefix_.append(entry.name);
        if (!isExcluded(prefix_)) {
            // O_NOFOLLOW: a folder swapped for a link since the stat is not entered.
            const int fd = openat(entry.folderFd, entry.cName,
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                prefix_.push_back('/');
                walkFolder(fd, entry.depth + 1, entry.validUtf8);
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
    const std::vector<const NameMatcher*>& matchers_;
    DirectoryWalk::Listener* listener_;
    MountIdentity rootMount_;
    std::string prefix_;
    std::deque<Listing> listings_; // by depth; a deque keeps a parent's listing in place
};

StringArena DirectoryWalk::releasePaths() && {
    files_ = {};
    unrecordable_ = {};
    return std::move(paths_);
}

DirectoryWalk DirectoryWalk::run(const std::string& root, const std::vector<std::string>& excluded,
                                 const std::vector<const NameMatcher*>& matchers,
                                 Listener* listener) {
    DirectoryWalk walk;
    DirectoryWalker(walk, excluded, matchers, listener).run(root);
    return walk;
}

} // namespace dustlyn

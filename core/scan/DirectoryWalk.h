#pragma once

#include "core/base/Date.h"
#include "core/base/StringArena.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

class NameMatcher;

// What one stat call tells about a file system entry.
struct FileFacts {
    bool isRegularFile = false;
    bool isDirectory = false;
    std::int64_t size = 0; // 0 when the file system gives none
    std::optional<Date> modification;
    std::optional<Date> creation; // many file systems keep no birth time
};

// The entry `name` relative to the open folder `folderFd` (AT_FDCWD for a path), never
// following a final symbolic link. Nothing when it cannot be read.
std::optional<FileFacts> readFileFacts(int folderFd, const char* name);

// The regular files below one folder that some rule may claim, read in a single pass so that
// every rule listing the folder can be applied to the same entries. The walk skips hidden
// items (a leading "." or a name listed in the folder's ".hidden" file), never follows a
// symbolic link, never leaves the file system mount of its root, leaves out the excluded
// folders, and skips whatever cannot be read.
//
// Only a file whose name one of the walk's matchers accepts costs a stat call: the folder
// listing already tells files from folders, and folders are always entered, whatever the
// matchers say.
class DirectoryWalk {
public:
    struct File {
        std::string_view path; // held by the walk
        std::int64_t size = 0;
        Date modificationDate;
        Date creationDate;
        std::uint32_t firstMatcher = 0; // the first of the walk's matchers to accept the name
        std::uint16_t nameLength = 0;
        bool hasModification = false;
        bool hasCreation = false;

        std::string_view name() const { return path.substr(path.size() - nameLength); }
        std::optional<Date> modification() const {
            return hasModification ? std::optional<Date>(modificationDate) : std::nullopt;
        }
        std::optional<Date> creation() const {
            return hasCreation ? std::optional<Date>(creationDate) : std::nullopt;
        }
    };

    // Told of each file the walk keeps as soon as it is found, so that work on the files can
    // go on beside the walk. The path is the one files() will hold.
    class Listener {
    public:
        virtual void found(std::string_view path) = 0;

    protected:
        ~Listener() = default;
    };

    DirectoryWalk() = default;

    // `root` is a resolved absolute folder; `excluded` are resolved folders whose contents
    // are left out (the whole walk is empty when `root` lies inside one of them). Because
    // no link below the root is followed, each file's path is `root` plus its relative path,
    // and so already resolved. `matchers` are tried in order on every regular file's name;
    // the matchers must outlive the call, not the walk. `listener`, when given, is told of
    // every file kept.
    static DirectoryWalk run(const std::string& root, const std::vector<std::string>& excluded,
                             const std::vector<const NameMatcher*>& matchers,
                             Listener* listener = nullptr);

    // In the order the walk met them: a folder's entries in directory order, each sub-folder
    // walked where it is met. Views stay valid while the walk lives, also across moves.
    const std::vector<File>& files() const { return files_; }
    // Regular files whose path is not valid UTF-8, whatever the matchers say: they can never
    // be recorded, so they are only counted.
    const std::vector<std::string_view>& unrecordable() const { return unrecordable_; }

    // The storage every path of the walk views, for a caller that keeps some views longer
    // than the walk; the walk is left empty.
    StringArena releasePaths() &&;

private:
    friend class DirectoryWalker;

    std::vector<File> files_;
    std::vector<std::string_view> unrecordable_;
    StringArena paths_;
};

// `path` equals `folder` or lies inside it (both absolute, without trailing slashes).
bool isWithinFolder(std::string_view path, std::string_view folder);

} // namespace dustlyn

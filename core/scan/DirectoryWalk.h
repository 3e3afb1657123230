#pragma once

#include "core/base/Date.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

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

// The regular files below one folder, read in a single pass so that every rule listing the
// folder can be applied to the same entries. The walk skips hidden items (a leading "." or a
// name listed in the folder's ".hidden" file), never follows a symbolic link, never leaves
// the file system mount of its root, leaves out the excluded folders, and skips whatever
// cannot be read.
class DirectoryWalk {
public:
    struct File {
        std::size_t pathOffset = 0;
        std::size_t pathLength = 0;
        std::size_t nameLength = 0;
        std::int64_t size = 0;
        std::optional<Date> modification;
        std::optional<Date> creation;
        bool validUtf8 = true; // the whole path, not only the name
    };

    DirectoryWalk() = default;

    // `root` is a resolved absolute folder; `excluded` are resolved folders whose contents
    // are left out (the whole walk is empty when `root` lies inside one of them). Because
    // no link below the root is followed, each file's path is `root` plus its relative path,
    // and so already resolved.
    static DirectoryWalk run(const std::string& root, const std::vector<std::string>& excluded);

    // In the order the walk met them: a folder's entries in directory order, each sub-folder
    // walked where it is met.
    const std::vector<File>& files() const { return files_; }
    std::string_view path(const File& file) const {
        return std::string_view(paths_).substr(file.pathOffset, file.pathLength);
    }
    std::string_view name(const File& file) const {
        return path(file).substr(file.pathLength - file.nameLength);
    }

private:
    friend class DirectoryWalker;

    std::vector<File> files_;
    std::string paths_; // every file's path, back to back; File holds offsets into it
};

// `path` equals `folder` or lies inside it (both absolute, without trailing slashes).
bool isWithinFolder(std::string_view path, std::string_view folder);

} // namespace dustlyn

#include "tests/cli/FolderSnapshot.h"

#include "tests/core/support/TempDir.h"

#include <sys/stat.h>

namespace dustlyn::testing {

namespace fs = std::filesystem;

namespace {

FolderSnapshot::Item itemAt(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {"vanished", 0, 0, {}};
    FolderSnapshot::Item item;
    item.inode = info.st_ino;
    item.modifiedNanoseconds =
        static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000LL + info.st_mtim.tv_nsec;
    if (S_ISREG(info.st_mode)) {
        item.kind = "file";
        item.content = readFile(path);
    } else if (S_ISDIR(info.st_mode)) {
        item.kind = "folder";
    } else if (S_ISLNK(info.st_mode)) {
        item.kind = "link";
    } else {
        item.kind = "other";
    }
    return item;
}

} // namespace

FolderSnapshot FolderSnapshot::take(const fs::path& folder) {
    FolderSnapshot snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        snapshot.items[entry.path().lexically_relative(folder).native()] = itemAt(entry.path());
    return snapshot;
}

std::string FolderSnapshot::difference(const FolderSnapshot& before, const FolderSnapshot& after) {
    std::string text;
    for (const auto& [path, item] : before.items) {
        const auto found = after.items.find(path);
        if (found == after.items.end())
            text += "removed: " + path + "\n";
        else if (!(found->second == item))
            text += "changed: " + path + "\n";
    }
    for (const auto& [path, item] : after.items)
        if (!before.items.contains(path))
            text += "created: " + path + "\n";
    return text;
}

} // namespace dustlyn::testing

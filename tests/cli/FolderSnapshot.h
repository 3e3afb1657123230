#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace dustlyn::testing {

// Everything under a folder: each item's kind, inode, modification time and, for files,
// content. Two snapshots are equal only when nothing was created, removed, rewritten or
// replaced, even with the same bytes.
struct FolderSnapshot {
    struct Item {
        std::string kind; // "file", "folder", "link", "other"
        unsigned long long inode = 0;
        long long modifiedNanoseconds = 0;
        std::string content;

        bool operator==(const Item&) const = default;
    };

    std::map<std::string, Item> items; // by path relative to the folder

    static FolderSnapshot take(const std::filesystem::path& folder);
    // The paths that differ between two snapshots, one per line, for failure messages.
    static std::string difference(const FolderSnapshot& before, const FolderSnapshot& after);

    bool operator==(const FolderSnapshot&) const = default;
};

} // namespace dustlyn::testing

#pragma once

#include "core/base/Date.h"
#include "core/quarantine/FileDescriptor.h"

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// The moment as the kernel's seconds and nanoseconds.
timespec toTimespec(Date date);

// Renames without ever replacing what is at `to`. Returns 0 or an errno value (EEXIST when
// `to` is taken, EXDEV across file systems). Where the file system refuses RENAME_NOREPLACE,
// a file or link is hard-linked and unlinked (link never replaces), and a folder is renamed
// onto an empty placeholder folder made just for it.
int renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to);

// Sets only the modification time of the item itself (a link, not its target).
// Returns 0 or an errno value.
int setModificationTime(int folder, const char* name, Date date);

// The modification time of what `info` describes, to the nanosecond.
Date modificationTime(const struct stat& info);
// The modification time of the item itself (a link, not its target); nothing when it cannot
// be read.
std::optional<Date> modificationTime(const std::filesystem::path& path);

// What is at a path, a symbolic link counting as itself.
enum class ItemKind { missing, file, folder, link, other };
ItemKind itemKind(const std::filesystem::path& path);
// Whether anything is at `path`, a symbolic link counting as itself.
bool itemExists(const std::filesystem::path& path);
// Whether `path` leads to something, links followed: a link that leads nowhere does not.
bool targetExists(const std::filesystem::path& path);
// Whether `path` leads to a folder, links followed.
bool isFolder(const std::filesystem::path& path);
// The size of the item itself (a link, not its target); nothing when it cannot be looked at.
std::optional<std::int64_t> itemSize(const std::filesystem::path& path);

// Opens a sub-folder of `folder` without following a symbolic link: -1 and errno on failure.
FileDescriptor openFolderAt(int folder, const char* name);

// Opens the folder `path` for reading, refusing a symbolic link in any of its components
// (ELOOP or ENOTDIR): the path is taken as it was written when it was resolved, never as a
// link put in its way since. -1 and errno on failure.
FileDescriptor openFolderWithoutLinks(const std::filesystem::path& path);

// The names in an open folder, except "." and "..", in byte order. Throws FileError.
std::vector<std::string> readFolderEntries(int folder);

// The folder part of `path`, "." for a bare name.
std::filesystem::path folderOf(const std::filesystem::path& path);

// The last component of `path`, ignoring a trailing slash.
std::string nameOf(const std::filesystem::path& path);

// The same two parts of a path's text, as views into it: a sweep splits thousands of paths,
// and a std::filesystem::path is made by taking the whole path apart.
std::string_view folderText(std::string_view path);
std::string_view nameText(std::string_view path);

} // namespace dustlyn

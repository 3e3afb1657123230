#pragma once

#include "core/base/Date.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dustlyn {

// A copy carries a hidden name starting with this until it is complete, so that no listing
// ever shows half a file.
inline constexpr std::string_view partialCopyPrefix = ".dustlyn-partial-";

// Copies the item `name` of the open folder `sourceFolder` (whose lstat is `info`: a file, a
// symbolic link as a link, or a folder with everything in it) into the open folder `folder`
// under a fresh hidden name, with contents, owner where permitted, mode, extended attributes
// and times, every file and folder flushed to disk. The copy's modification date is `dated`
// when given. While it is made, the copy holds an exclusive lock (flock) on its top item, so
// that it is known to be in use. Returns the hidden name. Throws FileError after removing
// whatever part of the copy was made.
std::string copyToTemporary(int sourceFolder, const std::string& name, const struct stat& info,
                            int folder, std::optional<Date> dated);

// Removes the partial copies lying directly in `folder` that no copy in progress holds: what
// a move killed half way left behind, which no listing shows and no purge would ever take.
// Returns how many were removed; a folder that cannot be read has none.
std::size_t removeAbandonedCopies(const std::filesystem::path& folder);

} // namespace dustlyn

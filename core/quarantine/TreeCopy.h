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

// Copies the item at `source` (whose lstat is `info`: a file, a symbolic link as a link, or a
// folder with everything in it) into the open folder `folder` under a fresh hidden name, with
// contents, owner where permitted, mode, extended attributes and times, every file and folder
// flushed to disk. The copy's modification date is `dated` when given. Returns the hidden
// name. Throws FileError after removing whatever part of the copy was made.
std::string copyToTemporary(const std::filesystem::path& source, const struct stat& info,
                            int folder, std::optional<Date> dated);

} // namespace dustlyn

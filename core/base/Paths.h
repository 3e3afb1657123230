#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace dustlyn {

// A leading "~" becomes `home`, "~name" that user's home folder (left as it is when no
// such user exists). Other texts are returned unchanged.
std::filesystem::path expandTilde(std::string_view text, const std::filesystem::path& home);

// The absolute form of `path` with every symbolic link replaced by its target and "."
// and ".." removed, as far as the path exists; the part from the first missing
// component on is only tidied lexically. Never fails.
std::filesystem::path resolvePath(const std::filesystem::path& path);

// `path` made absolute with its folder part resolved and its last component left as it is:
// a path naming a link names the link, never what it leads to.
std::filesystem::path resolveFolderPart(const std::filesystem::path& path);

// expandTilde followed by resolvePath: how kept files, timers and folders are compared.
std::filesystem::path resolveText(std::string_view text, const std::filesystem::path& home);

// `path` with `home` written as "~" ("~/Pictures/Screenshots").
std::string abbreviateHome(const std::filesystem::path& path, const std::filesystem::path& home);

// Tilde expanded, "." and ".." and doubled or trailing slashes removed; no link is followed.
std::string standardizePath(std::string_view text, const std::filesystem::path& home);

} // namespace dustlyn

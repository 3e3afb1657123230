#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace dustlyn {

// Replaces `target` with `bytes` so that a reader, a crash or a full disk never leaves it
// empty or half written: a temporary file created exclusively beside the target is written
// whole, flushed to disk, closed (its result checked) and renamed over the target, and the
// folder is flushed so the rename itself survives a power cut. On any failure the
// temporary file is removed, the old file stays, and FileError carries the system's message.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);
// The same with the content given as pieces written one after another.
void writeFileAtomically(const std::filesystem::path& target,
                         std::span<const std::string_view> pieces);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// mkdir -p; FileError with the system's message on failure. An existing folder is fine.
void createDirectories(const std::filesystem::path& folder);

// fsync of a folder, so that entries created or renamed in it are on disk.
void syncDirectory(const std::filesystem::path& folder);

} // namespace dustlyn

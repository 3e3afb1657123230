#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace dustlyn {

// A stored file that could not be read is never thrown away: its bytes go beside it under
// "NAME.damaged", or "NAME.damaged-2", "-3"… when that is taken, so an older damaged copy is
// never overwritten either.
namespace DamagedCopy {

// The first of those names at which nothing exists yet (nothing is created).
std::filesystem::path freeName(const std::filesystem::path& file);

// Renames `file` (whatever it is) to the first free damaged name, never replacing anything.
// Returns the new name; throws FileError with the system's message.
std::filesystem::path setAside(const std::filesystem::path& file);

// The damaged copy beside `file` that holds exactly `bytes`, if one does (nothing is written).
std::optional<std::filesystem::path> existingCopy(const std::filesystem::path& file,
                                                  std::string_view bytes);

// Leaves `file` in place and writes `bytes` to the first free damaged name, created
// exclusively and flushed, unless a damaged copy beside it already holds exactly these bytes.
// Returns the copy holding them; throws FileError with the system's message.
std::filesystem::path keepCopy(const std::filesystem::path& file, std::string_view bytes);

} // namespace DamagedCopy

} // namespace dustlyn

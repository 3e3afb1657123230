#pragma once

#include "core/base/Date.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace dustlyn::testing {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempDir {
public:
    explicit TempDir(std::string_view prefix = "dustlyn-test");
    // A temporary folder inside `parent` (for example /dev/shm, another file system).
    TempDir(const std::filesystem::path& parent, std::string_view prefix);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& rest) const {
        return path_ / rest;
    }

private:
    std::filesystem::path path_;
};

// Creates the file (and its folders) with `content`.
void writeFile(const std::filesystem::path& file, std::string_view content = "x");
std::string readFile(const std::filesystem::path& file);
void setModificationDate(const std::filesystem::path& file, Date date);
Date modificationDate(const std::filesystem::path& file);
// Sets a user attribute on the file itself (never a link's target); false with the system's
// reason in `refusal` when the file system takes no user attributes.
bool setAttribute(const std::filesystem::path& file, const char* name, const std::string& value,
                  std::string& refusal);

} // namespace dustlyn::testing

#pragma once

#include <filesystem>

namespace dustlyn {

// Performs one permanent deletion (not to the Trash).
class FileDeleter {
public:
    virtual ~FileDeleter() = default;
    // Removes a file, or a folder with everything in it. Throws FileError.
    virtual void deleteItem(const std::filesystem::path& item) = 0;
};

} // namespace dustlyn

#pragma once

#include "core/quarantine/FileDeleter.h"

namespace dustlyn {

// Removes with openat/unlinkat, never following a symbolic link out of a folder.
class FileManagerDeleter : public FileDeleter {
public:
    void deleteItem(const std::filesystem::path& item) override;
};

} // namespace dustlyn

#pragma once

#include <filesystem>

namespace dustlyn {

// The desktop's file browser and default applications.
class FileBrowser {
public:
    virtual ~FileBrowser() = default;

    // Shows the file selected in its folder (or, where the browser cannot select, opens
    // the folder).
    virtual void reveal(const std::filesystem::path& file) = 0;
    // Opens the file with its default application.
    virtual void open(const std::filesystem::path& file) = 0;
};

} // namespace dustlyn

#pragma once

#include "core/base/FileError.h"

#include <sys/types.h>

#include <optional>
#include <string>

namespace dustlyn {

// Removes items below an open folder with unlinkat, never following a symbolic link (a link
// is removed as a link) and never entering a folder on another file system than the one
// it was started on. It keeps going past failures and remembers the first one.
class TreeRemover {
public:
    // Removes `name` inside `folder`: a file or link itself, a folder with everything in it.
    // Folders below it are entered only when they lie on `device`, or on the item's own file
    // system when no device is given. Returns whether the item is gone.
    bool removeEntry(int folder, const std::string& name, std::optional<dev_t> device = {});

    const std::optional<FileError>& firstError() const { return firstError_; }
    bool removedAnything() const { return removedAnything_; }

private:
    bool clearFolder(int folder, dev_t device);
    bool removeFolderEntry(int folder, const std::string& name, dev_t device);
    bool fail(int error);
    bool unlinked(int folder, const std::string& name, int flags);

    std::optional<FileError> firstError_;
    bool removedAnything_ = false;
};

} // namespace dustlyn

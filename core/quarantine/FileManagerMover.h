#pragma once

#include "core/quarantine/FileMover.h"

namespace dustlyn {

// The real move: a rename that never replaces (renameat2 RENAME_NOREPLACE, or link and
// unlink where the file system refuses the flag); across file systems a copy to a
// temporary name beside the destination (contents, mode, extended attributes, times),
// flushed, put in place without replacing anything, the folder flushed, and only then the
// source removed. A failure removes the partial copy and leaves the source where it was.
class FileManagerMover : public FileMover {
public:
    std::filesystem::path move(const std::filesystem::path& source,
                               const std::filesystem::path& destination,
                               std::optional<Date> dated) override;
};

} // namespace dustlyn

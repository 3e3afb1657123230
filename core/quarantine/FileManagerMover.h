#pragma once

#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileMover.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// The real move: a rename that never replaces (renameat2 RENAME_NOREPLACE, or link and
// unlink where the file system refuses the flag); across file systems a copy to a
// temporary name beside the destination (contents, mode, extended attributes, times),
// flushed, put in place without replacing anything, the folder flushed, and only then the
// source removed. A failure removes the partial copy and leaves the source where it was.
//
// The source's folder is opened without following a symbolic link anywhere in its path, and
// the item is dated, renamed, copied and removed relative to that folder: a folder swapped
// for a link after the scan fails that file instead of carrying in one from somewhere else.
class FileManagerMover : public FileMover {
public:
    std::string move(const std::string& source, const std::string& destination,
                     std::optional<Date> dated) override;
    std::string move(const std::string& source, const std::string& destination,
                     std::optional<Date> dated, std::optional<Date> modified) override;
    void beginPass() override;
    void endPass() override;

private:
    struct OpenFolder {
        std::string path;
        FileDescriptor fd;
    };
    enum class Side { source, destination };

    // The open folder at `path`: kept among the pass's folders while a pass runs, else held
    // in `single` for this one move. Throws FileError.
    int folder(Side side, std::string_view path, FileDescriptor& single);

    bool inPass_ = false;
    std::vector<OpenFolder> sources_;      // newest first
    std::vector<OpenFolder> destinations_; // newest first
};

} // namespace dustlyn

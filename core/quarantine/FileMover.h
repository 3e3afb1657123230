#pragma once

#include "core/base/Date.h"

#include <optional>
#include <string>

namespace dustlyn {

// Performs one move. Replaceable so the logic above it runs without a file system. Paths are
// plain text: a sweep hands over thousands, and a std::filesystem::path splits each one into
// a list of components that nothing here reads.
class FileMover {
public:
    virtual ~FileMover() = default;

    // Moves the item at `source` to `destination` without ever replacing an existing item,
    // and sets its modification date to `dated` when given. Returns where the item now is:
    // `destination`, or the next free numbered name beside it when `destination` was
    // taken meanwhile. Throws FileError (the system's message); the source then stays.
    virtual std::string move(const std::string& source, const std::string& destination,
                             std::optional<Date> dated) = 0;

    // The same, told the source's modification date as the caller last read it (put back
    // should the move fail after dating the file), so the mover need not read it again.
    virtual std::string move(const std::string& source, const std::string& destination,
                             std::optional<Date> dated, std::optional<Date> modified) {
        static_cast<void>(modified);
        return move(source, destination, dated);
    }

    // Between these two calls the mover may keep the folders it used open, so the many files
    // of one folder cost one open; after endPass() every move looks at the tree afresh.
    virtual void beginPass() {}
    virtual void endPass() {}
};

} // namespace dustlyn

#pragma once

#include <stdexcept>
#include <string>

namespace dustlyn {

// A failed file-system operation. what() is the system's own message
// ("No space left on device"), the text outcomes and the CLI show.
class FileError : public std::runtime_error {
public:
    FileError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}

    // The system's message for `code` (an errno value).
    static FileError fromErrno(int code);

    int code() const { return code_; }

private:
    int code_;
};

} // namespace dustlyn

#include "core/base/FileError.h"

#include <cstring>

namespace dustlyn {

FileError FileError::fromErrno(int code) {
    return FileError(code, std::strerror(code));
}

} // namespace dustlyn

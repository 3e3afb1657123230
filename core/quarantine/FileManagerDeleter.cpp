#include "core/quarantine/FileManagerDeleter.h"

#include "core/base/FileError.h"
#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/TreeRemover.h"

#include <fcntl.h>

#include <cerrno>

namespace dustlyn {

void FileManagerDeleter::deleteItem(const std::filesystem::path& item) {
    const FileDescriptor folder(::open(folderOf(item).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        throw FileError::fromErrno(errno);
    TreeRemover remover;
    if (!remover.removeEntry(folder.get(), nameOf(item)))
        throw remover.firstError().value_or(FileError::fromErrno(EIO));
}

} // namespace dustlyn

#include "tests/core/support/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dustlyn::testing {

namespace fs = std::filesystem;

namespace {

fs::path makeTemp(const fs::path& parent, std::string_view prefix) {
    std::string pattern = (parent / (std::string(prefix) + "-XXXXXX")).native();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed in " + parent.native());
    // Resolved, so that tests compare with the scanner's resolved paths.
    return fs::canonical(pattern);
}

} // namespace

TempDir::TempDir(std::string_view prefix) : path_(makeTemp(fs::temp_directory_path(), prefix)) {}

TempDir::TempDir(const fs::path& parent, std::string_view prefix)
    : path_(makeTemp(parent, prefix)) {}

TempDir::~TempDir() {
    std::error_code error;
    // Tests may leave read-only folders behind; make them writable so removal succeeds.
    for (auto it = fs::recursive_directory_iterator(path_, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
}

void writeFile(const fs::path& file, std::string_view content) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.native());
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void setModificationDate(const fs::path& file, Date date) {
    const auto since = date.time_since_epoch();
    const auto secs = std::chrono::floor<std::chrono::seconds>(since);
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = secs.count();
    times[1].tv_nsec = static_cast<long>(std::chrono::nanoseconds(since - secs).count());
    if (utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot set the date of " + file.native());
}

Date modificationDate(const fs::path& file) {
    struct stat info {};
    if (lstat(file.c_str(), &info) != 0)
        throw std::runtime_error("cannot stat " + file.native());
    return dateFromUnix(info.st_mtim.tv_sec, static_cast<std::uint32_t>(info.st_mtim.tv_nsec));
}

bool setAttribute(const fs::path& file, const char* name, const std::string& value,
                  std::string& refusal) {
    if (::lsetxattr(file.c_str(), name, value.data(), value.size(), 0) == 0)
        return true;
    refusal = std::strerror(errno);
    return false;
}

} // namespace dustlyn::testing

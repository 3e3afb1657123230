#include "bench/sweep/ThrowawayHome.h"

#include "core/base/FileError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace dustlyn::bench {

namespace fs = std::filesystem;

namespace {

fs::path makeUniqueFolder(const fs::path& parent, std::string_view prefix) {
    std::string pattern = (parent / (std::string(prefix) + "-XXXXXX")).native();
    if (!::mkdtemp(pattern.data())) {
        const int code = errno;
        throw FileError(code, "cannot make a folder in " + parent.native() + ": " +
                                  FileError::fromErrno(code).what());
    }
    return pattern;
}

void makeFolder(const fs::path& folder, mode_t mode) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError(error.value(), "cannot make " + folder.native() + ": " + error.message());
    if (::chmod(folder.c_str(), mode) != 0)
        throw FileError::fromErrno(errno);
}

bool replaced(std::string_view entry) {
    static constexpr std::array<std::string_view, 4> names = {
        "HOME=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME=", "XDG_RUNTIME_DIR="};
    for (const auto name : names)
        if (entry.starts_with(name))
            return true;
    return false;
}

} // namespace

ThrowawayHome::ThrowawayHome(const fs::path& parent, std::string_view prefix)
    : root_(makeUniqueFolder(parent, prefix)) {
    makeFolder(dataHome(), 0700);
    makeFolder(configHome(), 0700);
    // The runtime folder is private to the user, as the XDG specification requires.
    makeFolder(runtimeDirectory(), 0700);
}

ThrowawayHome::~ThrowawayHome() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

UserFolders ThrowawayHome::folders() const {
    return UserFolders::make(home(), dataHome().native(), configHome().native());
}

std::vector<std::string> ThrowawayHome::environment() const {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry)
        if (!replaced(*entry))
            result.emplace_back(*entry);
    result.push_back("HOME=" + home().native());
    result.push_back("XDG_DATA_HOME=" + dataHome().native());
    result.push_back("XDG_CONFIG_HOME=" + configHome().native());
    result.push_back("XDG_RUNTIME_DIR=" + runtimeDirectory().native());
    return result;
}

fs::path ThrowawayHome::defaultParent() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? fs::path(tmp) : fs::path("/tmp");
}

} // namespace dustlyn::bench

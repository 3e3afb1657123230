#include "tests/core/quarantine/QuarantineTestSupport.h"

#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace dustlyn::testing {

namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

dev_t deviceOf(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return 0;
    return info.st_dev;
}

std::unique_ptr<TestMount> TestMount::mount(const std::string& what, const fs::path& target,
                                            std::string& error, const std::string& options,
                                            unsigned long flags) {
    if (::mount(what.c_str(), target.c_str(), what.c_str(), flags, options.c_str()) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<TestMount>(target);
}

TestMount::~TestMount() {
    ::umount2(target_.c_str(), MNT_DETACH);
}

} // namespace dustlyn::testing

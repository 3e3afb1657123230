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

std::unique_ptr<TestMount> TestMount::tmpfs(const fs::path& target, const std::string& options,
                                            std::string& error, const std::string& type) {
    if (::mount(type.c_str(), target.c_str(), type.c_str(), 0, options.c_str()) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<TestMount>(target);
}

std::unique_ptr<TestMount> TestMount::bind(const fs::path& source, const fs::path& target,
                                           std::string& error) {
    if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<TestMount>(target);
}

TestMount::~TestMount() {
    ::umount2(target_.c_str(), MNT_DETACH);
}

} // namespace dustlyn::testing

#include "tests/core/quarantine/QuarantineTestSupport.h"

#include "core/base/FileError.h"
#include "core/base/Uuid.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <unistd.h>

namespace dustlyn::testing {

namespace fs = std::filesystem;

fs::path RecordingMover::move(const fs::path& source, const fs::path& destination,
                              std::optional<Date> dated) {
    moves.push_back({source, destination, dated});
    if (failing.contains(source))
        throw FileError::fromErrno(ENOENT);
    return destination.parent_path() / ("moved " + destination.filename().native());
}

void RecordingDeleter::deleteItem(const fs::path& item) {
    deleted.push_back(item);
    if (failing.contains(item))
        throw FileError::fromErrno(EACCES);
}

MatchedFile matchedFile(const fs::path& url, std::int64_t size) {
    return MatchedFile(url, size, dateFromUnix(1'700'000'000), Uuid::random(), true);
}

ScanResult resultOf(const std::string& ruleName, std::vector<MatchedFile> files) {
    ScanResult result;
    result.rule.id = Uuid::random();
    result.rule.name = ruleName;
    result.folder = "~/Somewhere";
    result.files = std::move(files);
    return result;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> hiddenNamesIn(const fs::path& folder) {
    std::vector<std::string> hidden;
    for (const auto& name : namesIn(folder))
        if (name.starts_with('.'))
            hidden.push_back(name);
    return hidden;
}

std::string patternContent(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string content(size, '\0');
    for (auto& c : content)
        c = static_cast<char>(random() & 0xff);
    return content;
}

std::optional<std::string> attribute(const fs::path& file, const std::string& name) {
    char buffer[4096];
    const ssize_t size = ::lgetxattr(file.c_str(), name.c_str(), buffer, sizeof buffer);
    if (size < 0)
        return std::nullopt;
    return std::string(buffer, std::size_t(size));
}

bool setImmutable(const fs::path& file, bool immutable) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

mode_t modeOf(const fs::path& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        return 0;
    return info.st_mode;
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

#include "tests/core/scan/ScanTestSupport.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace dustlyn::testing {

namespace fs = std::filesystem;

PurgeRule makeRule(std::string name, std::vector<std::string> folders,
                   std::vector<FileMatcher> matchers, double age, AgeBasis basis, bool enabled) {
    return PurgeRule{
        Uuid::random(), std::move(name), enabled, std::move(folders), std::move(matchers), age,
        basis};
}

PurgeRule anyFileRule(std::vector<std::string> folders, double age) {
    return makeRule("Any", std::move(folders), {FileMatcher::anyFile()}, age);
}

std::vector<std::string> pathsOf(const ScanResult& result) {
    std::vector<std::string> paths;
    for (const auto& file : result.files)
        paths.push_back(file.url);
    return paths;
}

std::vector<std::string> pathsOf(const ScanReport& report) {
    std::vector<std::string> paths;
    for (const auto& result : report.results)
        for (auto& path : pathsOf(result))
            paths.push_back(std::move(path));
    return paths;
}

std::optional<Date> birthTime(const fs::path& file) {
    struct statx info {};
    if (statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &info) != 0 ||
        !(info.stx_mask & STATX_BTIME))
        return std::nullopt;
    return dateFromUnix(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
}

std::optional<ScopedMount> ScopedMount::fileSystem(const std::string& type, const fs::path& target,
                                                   std::string& error) {
    if (mount("none", target.c_str(), type.c_str(), 0, nullptr) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    return ScopedMount(target);
}

std::optional<ScopedMount> ScopedMount::bind(const fs::path& source, const fs::path& target,
                                             std::string& error) {
    if (mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    return ScopedMount(target);
}

ScopedMount::ScopedMount(ScopedMount&& other) noexcept : target_(std::move(other.target_)) {
    other.target_.clear();
}

ScopedMount::~ScopedMount() {
    if (!target_.empty())
        umount2(target_.c_str(), MNT_DETACH);
}

} // namespace dustlyn::testing

#include "tests/core/scan/ScanTestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

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

std::vector<std::string> sorted(std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::optional<Date> birthTime(const fs::path& file) {
    struct statx info {};
    if (statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &info) != 0 ||
        !(info.stx_mask & STATX_BTIME))
        return std::nullopt;
    return dateFromUnix(info.stx_btime.tv_sec, info.stx_btime.tv_nsec);
}

} // namespace dustlyn::testing

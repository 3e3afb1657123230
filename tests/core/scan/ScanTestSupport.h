#pragma once

#include "core/base/Date.h"
#include "core/rules/PurgeRule.h"
#include "core/scan/ScanReport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dustlyn::testing {

// A rule with a fresh identifier; age in seconds.
PurgeRule makeRule(std::string name, std::vector<std::string> folders,
                   std::vector<FileMatcher> matchers, double age = 3600,
                   AgeBasis basis = AgeBasis::modification, bool enabled = true);
PurgeRule anyFileRule(std::vector<std::string> folders, double age = 3600);

// The file paths of one result, in its order.
std::vector<std::string> pathsOf(const ScanResult& result);
// Every file path of the report, in report order.
std::vector<std::string> pathsOf(const ScanReport& report);

// The birth time statx reports for `file`, or nothing when its file system keeps none.
std::optional<Date> birthTime(const std::filesystem::path& file);

// A file system mounted for the length of a test; unmounted (lazily) when it ends.
class ScopedMount {
public:
    // A fresh file system of `type` ("tmpfs", "ramfs") on `target`. On failure, nothing,
    // and `error` says why ("Operation not permitted").
    static std::optional<ScopedMount>
    fileSystem(const std::string& type, const std::filesystem::path& target, std::string& error);
    // `source` bound onto `target`: the same file system under another mount.
    static std::optional<ScopedMount> bind(const std::filesystem::path& source,
                                           const std::filesystem::path& target, std::string& error);
    ScopedMount(ScopedMount&& other) noexcept;
    ScopedMount& operator=(ScopedMount&&) = delete;
    ~ScopedMount();

private:
    explicit ScopedMount(std::filesystem::path target) : target_(std::move(target)) {}
    std::filesystem::path target_;
};

} // namespace dustlyn::testing

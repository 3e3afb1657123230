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
std::vector<std::string> sorted(std::vector<std::string> paths);

// The birth time statx reports for `file`, or nothing when its file system keeps none.
std::optional<Date> birthTime(const std::filesystem::path& file);

} // namespace dustlyn::testing

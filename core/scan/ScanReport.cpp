#include "core/scan/ScanReport.h"

namespace dustlyn {

namespace {

std::vector<MatchedFile> filesWhere(const std::vector<ScanResult>& results, bool eligible) {
    std::vector<MatchedFile> chosen;
    for (const auto& result : results)
        for (const auto& file : result.files)
            if (file.isEligible == eligible)
                chosen.push_back(file);
    return chosen;
}

} // namespace

std::vector<MatchedFile> ScanReport::eligibleFiles() const {
    return filesWhere(results, true);
}

std::vector<MatchedFile> ScanReport::watchingFiles() const {
    return filesWhere(results, false);
}

nlohmann::ordered_json toJson(const ScanReport& report) {
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    for (const auto& result : report.results)
        results.push_back(toJson(result));
    nlohmann::ordered_json value;
    value["results"] = std::move(results);
    value["matchedCount"] = report.matchedCount;
    value["totalSize"] = report.totalSize;
    return value;
}

} // namespace dustlyn

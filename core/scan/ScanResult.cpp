#include "core/scan/ScanResult.h"

namespace dustlyn {

namespace {

std::vector<MatchedFile> filesWhere(const std::vector<MatchedFile>& files, bool eligible) {
    std::vector<MatchedFile> chosen;
    for (const auto& file : files)
        if (file.isEligible == eligible)
            chosen.push_back(file);
    return chosen;
}

} // namespace

std::vector<MatchedFile> ScanResult::eligibleFiles() const {
    return filesWhere(files, true);
}

std::vector<MatchedFile> ScanResult::watchingFiles() const {
    return filesWhere(files, false);
}

nlohmann::ordered_json toJson(const ScanResult& result) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const auto& file : result.files)
        files.push_back(toJson(file));
    nlohmann::ordered_json value;
    value["rule"] = nlohmann::ordered_json(toJson(result.rule));
    value["folder"] = result.folder;
    value["files"] = std::move(files);
    return value;
}

} // namespace dustlyn

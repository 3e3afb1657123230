#include "core/quarantine/PurgeReport.h"

namespace dustlyn {

nlohmann::ordered_json toJson(const PurgeReport& report) {
    nlohmann::ordered_json outcomes = nlohmann::ordered_json::array();
    for (const auto& outcome : report.outcomes)
        outcomes.push_back(toJson(outcome));
    nlohmann::ordered_json json;
    json["outcomes"] = std::move(outcomes);
    json["purgedCount"] = report.purgedCount;
    json["purgedSize"] = report.purgedSize;
    json["failedCount"] = report.failedCount;
    return json;
}

} // namespace dustlyn

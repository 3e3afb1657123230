#include "core/quarantine/QuarantineReport.h"

namespace dustlyn {

nlohmann::ordered_json toJson(const QuarantineReport& report) {
    nlohmann::ordered_json outcomes = nlohmann::ordered_json::array();
    for (const auto& outcome : report.outcomes)
        outcomes.push_back(toJson(outcome));
    nlohmann::ordered_json json;
    json["outcomes"] = std::move(outcomes);
    json["movedCount"] = report.movedCount;
    json["movedSize"] = report.movedSize;
    json["failedCount"] = report.failedCount;
    return json;
}

} // namespace dustlyn

#include "core/quarantine/PurgeOutcome.h"

namespace dustlyn {

nlohmann::ordered_json toJson(const PurgeOutcome& outcome) {
    nlohmann::ordered_json json;
    json["file"] = toJson(outcome.file);
    json["success"] = outcome.success;
    if (outcome.error)
        json["error"] = *outcome.error;
    return json;
}

} // namespace dustlyn

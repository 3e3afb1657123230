#include "core/quarantine/QuarantineOutcome.h"

namespace dustlyn {

nlohmann::ordered_json toJson(const QuarantineOutcome& outcome) {
    nlohmann::ordered_json json;
    json["original"] = outcome.original;
    if (outcome.quarantined)
        json["quarantined"] = *outcome.quarantined;
    json["success"] = outcome.success;
    if (outcome.error)
        json["error"] = *outcome.error;
    return json;
}

} // namespace dustlyn

#include "core/scan/MatchedFile.h"

#include "core/base/ByteCount.h"
#include "core/rules/PurgeRule.h"

namespace dustlyn {

bool MatchedFile::isManual() const {
    return ruleID == PurgeRule::manualID();
}

std::string MatchedFile::sizeFormatted() const {
    return formatByteCount(size);
}

nlohmann::ordered_json toJson(const MatchedFile& file) {
    nlohmann::ordered_json value;
    value["url"] = file.url;
    value["size"] = file.size;
    value["ageBasisDate"] = formatRfc3339(file.ageBasisDate);
    value["ruleID"] = file.ruleID.text();
    value["isEligible"] = file.isEligible;
    value["deadline"] = formatRfc3339(file.deadline);
    return value;
}

} // namespace dustlyn

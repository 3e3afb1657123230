#include "core/quarantine/QuarantinedFile.h"

#include "core/base/ByteCount.h"

namespace dustlyn {

std::string QuarantinedFile::sizeFormatted() const {
    return formatByteCount(size);
}

double QuarantinedFile::secondsUntilExpiry(Date now) const {
    return secondsBetween(now, expiresDate);
}

nlohmann::ordered_json toJson(const QuarantinedFile& file) {
    nlohmann::ordered_json json;
    json["id"] = file.id.text();
    json["url"] = file.url;
    json["size"] = file.size;
    json["quarantinedDate"] = formatRfc3339(file.quarantinedDate);
    json["expiresDate"] = formatRfc3339(file.expiresDate);
    json["isExpired"] = file.isExpired;
    return json;
}

} // namespace dustlyn

#include "core/quarantine/QuarantinedFile.h"

#include "core/base/ByteCount.h"

namespace dustlyn {

std::string QuarantinedFile::sizeFormatted() const {
    return formatByteCount(size);
}

double QuarantinedFile::secondsUntilExpiry(Date now) const {
    return secondsBetween(now, expiresDate);
}

} // namespace dustlyn

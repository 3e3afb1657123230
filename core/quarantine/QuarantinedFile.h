#pragma once

#include "core/base/Date.h"
#include "core/base/Uuid.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace dustlyn {

struct QuarantinedFile {
    Uuid id;         // fresh at each listing
    std::string url; // plain text: a std::filesystem::path per file costs hundreds of bytes
    std::int64_t size = 0;
    Date quarantinedDate; // the file's modification date
    Date expiresDate;
    bool isExpired = false;

    std::string sizeFormatted() const;
    double secondsUntilExpiry(Date now) const;

    bool operator==(const QuarantinedFile&) const = default;
};

} // namespace dustlyn

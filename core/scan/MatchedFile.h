#pragma once

#include "core/base/Date.h"
#include "core/base/Uuid.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>

namespace dustlyn {

// One file a rule (or a one-off timer) claims, with its deadline.
struct MatchedFile {
    std::filesystem::path url; // symbolic links in the path resolved
    std::int64_t size = 0;     // bytes; 0 when unavailable
    Date ageBasisDate;
    Uuid ruleID;
    bool isEligible = false; // due: now >= deadline at scan time
    Date deadline;

    MatchedFile() = default;
    MatchedFile(std::filesystem::path url, std::int64_t size, Date ageBasisDate, Uuid ruleID,
                bool isEligible, Date deadline)
        : url(std::move(url)), size(size), ageBasisDate(ageBasisDate), ruleID(ruleID),
          isEligible(isEligible), deadline(deadline) {}
    // The deadline defaults to the basis date.
    MatchedFile(std::filesystem::path url, std::int64_t size, Date ageBasisDate, Uuid ruleID,
                bool isEligible)
        : MatchedFile(std::move(url), size, ageBasisDate, ruleID, isEligible, ageBasisDate) {}

    bool isManual() const;
    std::string sizeFormatted() const;

    bool operator==(const MatchedFile&) const = default;
};

// {"url", "size", "ageBasisDate", "ruleID", "isEligible", "deadline"}
nlohmann::ordered_json toJson(const MatchedFile& file);

} // namespace dustlyn

#pragma once

#include "core/base/Date.h"
#include "core/base/Uuid.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace dustlyn {

// One file a rule (or a one-off timer) claims, with its deadline.
struct MatchedFile {
    // Symbolic links in the path resolved. Plain text: a std::filesystem::path also keeps a
    // list of its components, several hundred bytes for every file a scan holds.
    std::string url;
    std::int64_t size = 0; // bytes; 0 when unavailable
    Date ageBasisDate;
    Uuid ruleID;
    bool isEligible = false; // due: now >= deadline at scan time
    Date deadline;
    // The file's own modification date as the scan read it, whatever the rule's age basis:
    // a sweep cut short after dating the file gives it back. Not part of the JSON form.
    std::optional<Date> modificationDate;

    MatchedFile() = default;
    MatchedFile(std::string fileURL, std::int64_t fileSize, Date basisDate, Uuid rule,
                bool eligible, Date due)
        : url(std::move(fileURL)), size(fileSize), ageBasisDate(basisDate), ruleID(rule),
          isEligible(eligible), deadline(due) {}
    // The deadline defaults to the basis date.
    MatchedFile(std::string fileURL, std::int64_t fileSize, Date basisDate, Uuid rule,
                bool eligible)
        : MatchedFile(std::move(fileURL), fileSize, basisDate, rule, eligible, basisDate) {}

    bool isManual() const;
    std::string sizeFormatted() const;

    bool operator==(const MatchedFile&) const = default;
};

// {"url", "size", "ageBasisDate", "ruleID", "isEligible", "deadline"}
nlohmann::ordered_json toJson(const MatchedFile& file);

} // namespace dustlyn

// Hashes every field, like equality compares them.
template <> struct std::hash<dustlyn::MatchedFile> {
    std::size_t operator()(const dustlyn::MatchedFile& file) const noexcept {
        std::size_t h = std::hash<std::string>{}(file.url);
        const auto mix = [&h](std::size_t value) {
            h ^= value + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        };
        mix(std::hash<std::int64_t>{}(file.size));
        mix(std::hash<dustlyn::Date::rep>{}(file.ageBasisDate.time_since_epoch().count()));
        mix(std::hash<dustlyn::Uuid>{}(file.ruleID));
        mix(std::hash<bool>{}(file.isEligible));
        mix(std::hash<dustlyn::Date::rep>{}(file.deadline.time_since_epoch().count()));
        if (file.modificationDate)
            mix(std::hash<dustlyn::Date::rep>{}(file.modificationDate->time_since_epoch().count()));
        return h;
    }
};

#pragma once

#include "core/rules/PurgeRule.h"
#include "core/scan/MatchedFile.h"

#include <string>
#include <vector>

namespace dustlyn {

// What one rule claimed in one folder.
struct ScanResult {
    PurgeRule rule;     // PurgeRule::manual() for the timer-only group
    std::string folder; // as written in the rule; empty for the timer-only group
    std::vector<MatchedFile> files;

    std::vector<MatchedFile> eligibleFiles() const;

    bool operator==(const ScanResult&) const = default;
};

} // namespace dustlyn

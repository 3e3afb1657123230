#include "core/scan/ScanClaims.h"

namespace dustlyn {

MatchedFile ScanClaims::matchedFile(const Group& group, const Claim& claim) const {
    return MatchedFile(std::string(claim.path), claim.size, claim.ageBasisDate, group.rule.id,
                       claim.isEligible, claim.deadline);
}

ScanReport ScanClaims::report() const {
    ScanReport report;
    report.results.reserve(groups_.size());
    for (const auto& group : groups_) {
        ScanResult result{group.rule, group.folder, {}};
        result.files.reserve(group.end - group.begin);
        for (const auto& claim : claimsOf(group))
            result.files.push_back(matchedFile(group, claim));
        report.results.push_back(std::move(result));
    }
    report.matchedCount = matchedCount();
    report.totalSize = totalSize_;
    report.unrecordableCount = unrecordableCount_;
    return report;
}

void ScanClaims::startGroup(const PurgeRule& rule, const std::string& folder) {
    groups_.push_back({rule, folder, claims_.size(), claims_.size()});
}

void ScanClaims::add(const Claim& claim) {
    claims_.push_back(claim);
    totalSize_ += claim.size;
    groups_.back().end = claims_.size();
}

void ScanClaims::endGroup() {
    if (groups_.back().begin == groups_.back().end)
        groups_.pop_back();
}

} // namespace dustlyn

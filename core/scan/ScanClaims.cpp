#include "core/scan/ScanClaims.h"

#include <algorithm>

namespace dustlyn {

MatchedFile ScanClaims::matchedFile(const Group& group, const Claim& claim) const {
    return MatchedFile(std::string(claim.path), claim.size, claim.ageBasisDate, group.rule.id,
                       claim.isEligible, claim.deadline);
}

void ScanClaims::startGroup(const PurgeRule& rule, const std::string& folder,
                            std::size_t mostClaims) {
    groups_.push_back({rule, folder, claims_.size(), claims_.size()});
    if (claims_.capacity() - claims_.size() < mostClaims)
        claims_.reserve(std::max(claims_.size() + mostClaims, claims_.capacity() * 2));
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

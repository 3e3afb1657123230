#pragma once

#include "core/base/StringArena.h"
#include "core/rules/PurgeRule.h"
#include "core/scan/DirectoryWalk.h"
#include "core/scan/ScanReport.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// What one scan claimed, held compactly: one small record per file, its path a view into
// storage the claims own, grouped exactly like the report's results. A command that prints
// a scan reads it directly, and never holds a MatchedFile per file.
class ScanClaims {
public:
    struct Claim {
        std::string_view path;
        std::int64_t size = 0;
        Date ageBasisDate;
        Date deadline;
        bool isEligible = false;
    };

    // One result: a rule's claims in one folder, claims()[begin, end).
    struct Group {
        PurgeRule rule;     // PurgeRule::manual() for the timer-only group
        std::string folder; // as written in the rule; empty for the timer-only group
        std::size_t begin = 0;
        std::size_t end = 0;
    };

    ScanClaims() = default;
    ScanClaims(ScanClaims&&) noexcept = default;
    ScanClaims& operator=(ScanClaims&&) noexcept = default;
    // The paths are views into storage of this object: a copy would point into the original.
    ScanClaims(const ScanClaims&) = delete;
    ScanClaims& operator=(const ScanClaims&) = delete;

    const std::vector<Group>& groups() const { return groups_; }
    const std::vector<Claim>& claims() const { return claims_; }
    std::span<const Claim> claimsOf(const Group& group) const {
        return std::span<const Claim>(claims_).subspan(group.begin, group.end - group.begin);
    }
    std::int64_t matchedCount() const { return static_cast<std::int64_t>(claims_.size()); }
    std::int64_t totalSize() const { return totalSize_; }
    // Files left alone because their path is not valid UTF-8 and so could not be recorded.
    std::int64_t unrecordableCount() const { return unrecordableCount_; }

    MatchedFile matchedFile(const Group& group, const Claim& claim) const;

    // Building, as the scanner does it: a group's claims follow its start, and a group that
    // ends up empty is dropped. `mostClaims` bounds how many will follow.
    void startGroup(const PurgeRule& rule, const std::string& folder, std::size_t mostClaims);
    void add(const Claim& claim);
    void endGroup();
    // Keeps the storage that claims' paths view; the walk's own records go.
    void keep(DirectoryWalk walk) { paths_.push_back(std::move(walk).releasePaths()); }
    std::string_view keepPath(std::string_view path) { return ownPaths_.add(path); }
    void setUnrecordableCount(std::int64_t count) { unrecordableCount_ = count; }

private:
    std::vector<Group> groups_;
    std::vector<Claim> claims_;
    std::int64_t totalSize_ = 0;
    std::int64_t unrecordableCount_ = 0;
    std::vector<StringArena> paths_; // of the walks
    StringArena ownPaths_{4096};
};

} // namespace dustlyn

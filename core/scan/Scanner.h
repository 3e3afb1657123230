#pragma once

#include "core/base/Date.h"
#include "core/rules/PurgeRule.h"
#include "core/scan/DirectoryWalk.h"
#include "core/scan/ScanClaims.h"
#include "core/scan/ScanReport.h"

#include <filesystem>
#include <map>
#include <set>
#include <vector>

namespace dustlyn {

// Finds the files the enabled rules and the one-off timers claim, and when each is due.
// Touches nothing.
class Scanner {
public:
    // `home` expands "~" in rule folders. Nothing inside `excluded` folders (the quarantine
    // and the support folder) is ever claimed, even when a rule's folder contains them.
    explicit Scanner(std::filesystem::path home, std::vector<std::filesystem::path> excluded = {});

    // `pins` and `timers` must be resolved locations (Configuration::pinURLs/timerURLs).
    ScanReport scan(const std::vector<PurgeRule>& rules,
                    const std::set<std::filesystem::path>& pins,
                    const std::map<std::filesystem::path, Date>& timers, Date now) const;
    // The same scan in compact form, for callers that read every file once. `listener`, when
    // given, is told of every file the claims may hold as soon as it is found, with the path
    // the claim holds.
    ScanClaims claim(const std::vector<PurgeRule>& rules,
                     const std::set<std::filesystem::path>& pins,
                     const std::map<std::filesystem::path, Date>& timers, Date now,
                     DirectoryWalk::Listener* listener = nullptr) const;

private:
    std::vector<std::string> excludedFolders() const;

    std::filesystem::path home_;
    std::vector<std::filesystem::path> excluded_;
};

} // namespace dustlyn

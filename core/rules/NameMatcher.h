#pragma once

#include "core/rules/FileMatcher.h"
#include "core/rules/GlobMatch.h"

#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// A rule's matchers prepared once for a scan: glob expressions compiled and extensions
// lower-cased ahead, so testing a name costs no allocation for plain ASCII names.
// Accepts exactly what the matchers accept, tried in order.
class NameMatcher {
public:
    explicit NameMatcher(const std::vector<FileMatcher>& matchers);

    bool matches(std::string_view name) const;
    // The same, for a caller that has already looked whether the name is plain ASCII.
    bool matches(std::string_view name, bool nameIsAscii) const;

private:
    struct Entry {
        FileMatcher::Kind kind;
        std::string lowerSuffix;     // "." + lower-cased extension
        std::vector<GlobMatch> glob; // zero or one
    };
    std::vector<Entry> entries_;
    std::size_t longestSuffix_ = 0;
};

} // namespace dustlyn

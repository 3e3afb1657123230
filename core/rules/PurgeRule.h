#pragma once

#include "core/base/Uuid.h"
#include "core/rules/AgeBasis.h"
#include "core/rules/FileMatcher.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace dustlyn {

// A cleaning rule: which files in which folders may go, and how old they must be.
struct PurgeRule {
    Uuid id;
    std::string name;
    bool enabled = true;
    std::vector<std::string> folders; // may start with "~", expanded when scanned
    std::vector<FileMatcher> matchers;
    double ageThreshold = 0; // seconds
    AgeBasis ageBasis = AgeBasis::modification;

    // "00000000-0000-0000-0000-00000000F11E": files due only because of a one-off timer.
    static Uuid manualID();
    // The "Timer" pseudo-rule of timer-only files; never stored among the rules.
    static const PurgeRule& manual();

    bool operator==(const PurgeRule&) const = default;
};

nlohmann::json toJson(const PurgeRule& rule);
// Every key is required; throws DecodingError or the JSON reader's error on anything wrong.
PurgeRule purgeRuleFromJson(const nlohmann::json& value);

} // namespace dustlyn

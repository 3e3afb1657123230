#pragma once

#include "core/base/Uuid.h"
#include "core/rules/PurgeRule.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dustlyn {

// One folder row of the rule editor, as typed.
struct FolderDraft {
    Uuid id; // tells rows apart
    std::string path;

    bool operator==(const FolderDraft&) const = default;
};

// One matcher row of the rule editor, as typed.
struct MatcherDraft {
    enum class Kind { extensionMatch, glob, anyFile };

    Uuid id;
    Kind kind = Kind::extensionMatch;
    std::string value;

    // "Extension", "Glob", "Any file".
    static std::string label(Kind kind);

    bool operator==(const MatcherDraft&) const = default;
};

// The rule editor's working copy of a rule: tolerates half-typed input and becomes a
// rule again only when it is valid.
struct RuleDraft {
    enum class AgeUnit { seconds, minutes, hours, days };

    Uuid id;
    std::string name;
    bool enabled = true;
    std::vector<FolderDraft> folders;
    std::vector<MatcherDraft> matchers;
    double ageValue = 1;
    AgeUnit ageUnit = AgeUnit::hours;
    AgeBasis ageBasis = AgeBasis::modification;

    static RuleDraft from(const PurgeRule& rule);
    // A fresh rule: no name, watching "~/", one empty extension, 1 hour since modification.
    static RuleDraft newRule();
    // The largest unit that shows `seconds` whole: 7200 is 2 hours, 90 is 1.5 minutes.
    static std::pair<double, AgeUnit> bestUnit(double seconds);
    static double secondsPer(AgeUnit unit);
    // "seconds", "minutes", "hours", "days".
    static std::string label(AgeUnit unit);

    // The rule, or nothing while a name, a folder, a matcher or a positive age is missing.
    std::optional<PurgeRule> toRule() const;
    // What keeps the draft from being a rule, in a few words ("it has no name"); nothing
    // when toRule() gives one. The first of the missing things, in the order of the form.
    std::optional<std::string> problem() const;

    bool operator==(const RuleDraft&) const = default;

private:
    // The rule as typed, trimmed, whether or not it is valid.
    PurgeRule assembled() const;
};

} // namespace dustlyn

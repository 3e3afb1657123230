#include "app/model/RuleDraft.h"

#include "core/base/Trimmed.h"

#include <cmath>

namespace dustlyn {

namespace {

MatcherDraft::Kind kindOf(const FileMatcher& matcher) {
    switch (matcher.kind()) {
    case FileMatcher::Kind::extensionMatch:
        return MatcherDraft::Kind::extensionMatch;
    case FileMatcher::Kind::glob:
        return MatcherDraft::Kind::glob;
    case FileMatcher::Kind::anyFile:
        return MatcherDraft::Kind::anyFile;
    }
    return MatcherDraft::Kind::anyFile;
}

std::optional<FileMatcher> matcherOf(const MatcherDraft& row) {
    if (row.kind == MatcherDraft::Kind::anyFile)
        return FileMatcher::anyFile();
    std::string value = trimmed(row.value);
    if (value.empty())
        return std::nullopt;
    if (row.kind == MatcherDraft::Kind::extensionMatch)
        return FileMatcher::extensionMatch(std::move(value));
    return FileMatcher::glob(std::move(value));
}

} // namespace

std::string MatcherDraft::label(Kind kind) {
    switch (kind) {
    case Kind::extensionMatch:
        return "Extension";
    case Kind::glob:
        return "Glob";
    case Kind::anyFile:
        return "Any file";
    }
    return {};
}

double RuleDraft::secondsPer(AgeUnit unit) {
    switch (unit) {
    case AgeUnit::seconds:
        return 1;
    case AgeUnit::minutes:
        return 60;
    case AgeUnit::hours:
        return 3600;
    case AgeUnit::days:
        return 86400;
    }
    return 1;
}

std::string RuleDraft::label(AgeUnit unit) {
    switch (unit) {
    case AgeUnit::seconds:
        return "seconds";
    case AgeUnit::minutes:
        return "minutes";
    case AgeUnit::hours:
        return "hours";
    case AgeUnit::days:
        return "days";
    }
    return {};
}

std::pair<double, RuleDraft::AgeUnit> RuleDraft::bestUnit(double seconds) {
    if (seconds < 60)
        return {seconds, AgeUnit::seconds};
    if (seconds >= 86400 && std::fmod(seconds, 86400) == 0)
        return {seconds / 86400, AgeUnit::days};
    if (seconds >= 3600 && std::fmod(seconds, 3600) == 0)
        return {seconds / 3600, AgeUnit::hours};
    return {seconds / 60, AgeUnit::minutes};
}

RuleDraft RuleDraft::from(const PurgeRule& rule) {
    RuleDraft draft;
    draft.id = rule.id;
    draft.name = rule.name;
    draft.enabled = rule.enabled;
    draft.ageBasis = rule.ageBasis;
    for (const auto& folder : rule.folders)
        draft.folders.push_back({Uuid::random(), folder});
    for (const auto& matcher : rule.matchers)
        draft.matchers.push_back({Uuid::random(), kindOf(matcher), matcher.payload()});
    std::tie(draft.ageValue, draft.ageUnit) = bestUnit(rule.ageThreshold);
    return draft;
}

RuleDraft RuleDraft::newRule() {
    RuleDraft draft;
    draft.id = Uuid::random();
    draft.folders.push_back({Uuid::random(), "~/"});
    draft.matchers.push_back({Uuid::random(), MatcherDraft::Kind::extensionMatch, ""});
    return draft;
}

PurgeRule RuleDraft::assembled() const {
    PurgeRule rule;
    rule.id = id;
    rule.name = trimmed(name);
    rule.enabled = enabled;
    rule.ageBasis = ageBasis;
    for (const auto& row : folders)
        if (std::string path = trimmed(row.path); !path.empty())
            rule.folders.push_back(std::move(path));
    for (const auto& row : matchers)
        if (auto matcher = matcherOf(row))
            rule.matchers.push_back(std::move(*matcher));
    rule.ageThreshold = ageValue * secondsPer(ageUnit);
    return rule;
}

std::optional<std::string> RuleDraft::problem() const {
    const PurgeRule rule = assembled();
    if (rule.name.empty())
        return "it has no name";
    if (rule.folders.empty())
        return "it watches no folder";
    if (rule.matchers.empty())
        return "it matches no file: it needs an extension, a glob or any file";
    // An endless age would be written as null and make the whole configuration unreadable.
    if (!std::isfinite(rule.ageThreshold) || rule.ageThreshold <= 0)
        return "its age must be a number greater than 0";
    return std::nullopt;
}

std::optional<PurgeRule> RuleDraft::toRule() const {
    if (problem())
        return std::nullopt;
    return assembled();
}

} // namespace dustlyn

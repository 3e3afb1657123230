#include "app/model/RuleWords.h"

#include "core/config/DurationText.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <filesystem>

namespace dustlyn {

namespace {

bool isAnyFileOnly(const PurgeRule& rule) {
    return rule.matchers.size() == 1 && rule.matchers.front().kind() == FileMatcher::Kind::anyFile;
}

std::string lower(const std::string& text) {
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    unicode.toLower(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

std::string lastComponent(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::string name = std::filesystem::path(trimmed).filename().native();
    return name.empty() ? trimmed : name;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string RuleWords::kindText(const PurgeRule& rule) {
    if (isAnyFileOnly(rule))
        return "any file";
    std::string name = rule.name;
    for (const std::string prefix : {"Downloads - ", "Desktop - "}) {
        if (name.rfind(prefix, 0) == 0) {
            name.erase(0, prefix.size());
            break;
        }
    }
    return lower(name);
}

std::string RuleWords::folderText(const PurgeRule& rule) {
    const auto& folders = rule.folders;
    if (folders.empty())
        return "no folder";
    if (folders.size() == 1)
        return lastComponent(folders[0]);
    if (folders.size() == 2)
        return lastComponent(folders[0]) + " and " + lastComponent(folders[1]);
    return lastComponent(folders[0]) + " and " + std::to_string(folders.size() - 1) + " more";
}

std::string RuleWords::connectingText(const PurgeRule& rule) {
    return isAnyFileOnly(rule) ? "untouched for" : "after";
}

std::string RuleWords::ageText(double seconds) {
    std::string text = DurationText::longText(seconds);
    replaceAll(text, "minutes", "min");
    replaceAll(text, "minute", "min");
    return text;
}

std::string RuleWords::ageText(const PurgeRule& rule) {
    return ageText(rule.ageThreshold);
}

std::string RuleWords::matcherSummary(const PurgeRule& rule) {
    std::string summary;
    for (const auto& matcher : rule.matchers) {
        if (!summary.empty())
            summary += ", ";
        switch (matcher.kind()) {
        case FileMatcher::Kind::extensionMatch:
            summary += "." + matcher.payload();
            break;
        case FileMatcher::Kind::glob:
            summary += matcher.payload();
            break;
        case FileMatcher::Kind::anyFile:
            summary += "any file";
            break;
        }
    }
    return summary;
}

std::string RuleWords::text(const PurgeRule& rule) {
    return "Move " + kindText(rule) + " from " + folderText(rule) + " " + connectingText(rule) +
           " " + ageText(rule);
}

} // namespace dustlyn

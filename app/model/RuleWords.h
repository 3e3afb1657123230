#pragma once

#include "core/rules/PurgeRule.h"

#include <string>

namespace dustlyn {

// The words of a rule's sentence, "Move screenshots from Desktop and Screenshots after
// 15 min": printed whole by the command line, and split into words and tokens by the
// settings window.
struct RuleWords {
    static std::string text(const PurgeRule& rule);
    // "screenshots", "installers", "any file".
    static std::string kindText(const PurgeRule& rule);
    // "Desktop", "Desktop and Screenshots", "Desktop and 2 more", "no folder".
    static std::string folderText(const PurgeRule& rule);
    // "untouched for" for a rule that takes any file, else "after".
    static std::string connectingText(const PurgeRule& rule);
    // "15 min", "2 hours", "immediately".
    static std::string ageText(const PurgeRule& rule);
    static std::string ageText(double seconds);
    // ".png, Screenshot*.png, any file".
    static std::string matcherSummary(const PurgeRule& rule);
};

} // namespace dustlyn

#pragma once

#include "core/rules/PurgeRule.h"

#include <string>

namespace dustlyn {

// A rule as one plain sentence: "Move screenshots from Desktop and Screenshots after 15 min".
struct RuleSentence {
    static std::string text(const PurgeRule& rule);
    // "screenshots", "installers", "any file".
    static std::string kindText(const PurgeRule& rule);
    // "Desktop", "Desktop and Screenshots", "Desktop and 2 more", "no folder".
    static std::string folderText(const PurgeRule& rule);
    // "15 min", "2 hours", "immediately".
    static std::string ageText(const PurgeRule& rule);
};

} // namespace dustlyn

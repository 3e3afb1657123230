#pragma once

#include "app/onboarding/FolderChoice.h"

#include <string>
#include <vector>

namespace dustlyn {

// The onboarding's four steps and what lets the user go on from each.
struct OnboardingSteps {
    enum Step { welcome, folders, tryIt, done };
    static constexpr int count = 4;

    // On the folder step at least one card must be on; every other step may be left.
    static bool canContinue(int step, const std::vector<FolderChoice>& choices,
                            const std::vector<PurgeRule>& rules);
    static bool isLast(int step) { return step == count - 1; }
    // "Continue", and on the last step "Start using Dustlyn".
    static std::string primaryTitle(int step);
};

} // namespace dustlyn

#include "app/onboarding/OnboardingSteps.h"

#include <algorithm>

namespace dustlyn {

bool OnboardingSteps::canContinue(int step, const std::vector<FolderChoice>& choices,
                                  const std::vector<PurgeRule>& rules) {
    if (step != folders)
        return true;
    return std::any_of(choices.begin(), choices.end(),
                       [&rules](const FolderChoice& choice) { return choice.enabled(rules); });
}

std::string OnboardingSteps::primaryTitle(int step) {
    return isLast(step) ? "Start using Dustlyn" : "Continue";
}

} // namespace dustlyn

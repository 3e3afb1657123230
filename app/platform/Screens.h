#pragma once

#include "app/platform/ScreenDescription.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace dustlyn {

// The screens of the desktop, and when they change.
class Screens {
public:
    virtual ~Screens() = default;

    // In the order the system lists them.
    virtual std::vector<ScreenDescription> screens() const = 0;
    // Index into screens() of the primary screen, if there is one.
    virtual std::optional<std::size_t> mainScreen() const = 0;
    // Two or more screens show the same picture (clones with identical geometry).
    virtual bool mirrored() const = 0;

    // Called on the main thread after screens were added, removed, moved or resized.
    std::function<void()> onChanged;
};

} // namespace dustlyn

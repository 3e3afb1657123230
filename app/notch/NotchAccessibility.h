#pragma once

namespace dustlyn {

// How screen readers see the notch's own widgets beyond what Qt knows: a file row is a
// list item named after its file, whose menu can be opened; a drop zone is a named group.
struct NotchAccessibility {
    // Once per process, before the first row is shown; later calls do nothing.
    static void install();
};

} // namespace dustlyn

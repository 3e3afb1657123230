#pragma once

namespace dustlyn {

// How the views move to the values written inside an animated change of the view model.
struct NotchAnimation {
    enum class Curve { none, spring, easeInOut };

    Curve curve = Curve::none;
    double response = 0; // spring: seconds to settle; ease-in-out: the duration
    double damping = 0;  // spring only: 1 is critically damped, below 1 overshoots

    // Every change of face.
    static NotchAnimation spring() { return {Curve::spring, 0.42, 0.8}; }
    // Switching the open panel's list.
    static NotchAnimation tabSpring() { return {Curve::spring, 0.35, 0.85}; }
    // Going quiet and coming back.
    static NotchAnimation quietFade() { return {Curve::easeInOut, 0.2, 0}; }

    bool operator==(const NotchAnimation&) const = default;
};

} // namespace dustlyn

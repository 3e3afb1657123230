#pragma once

#include <nlohmann/json.hpp>

namespace dustlyn {

// The six notch switches; each is on unless the user turned it off.
struct NotchSettings {
    bool peekOnNewFiles = true;
    bool toastAfterSweep = true;
    bool pillCountdown = true;
    bool quietWhenBusy = true;
    bool hotkeyEnabled = true;
    bool showPill = true;

    bool operator==(const NotchSettings&) const = default;
};

nlohmann::json toJson(const NotchSettings& settings);
// Absent (or null) keys are on; a present key must be a boolean (else DecodingError).
NotchSettings notchSettingsFromJson(const nlohmann::json& value);

} // namespace dustlyn

#include "core/config/NotchSettings.h"

#include "core/base/DecodingError.h"

#include <string>

namespace dustlyn {

nlohmann::json toJson(const NotchSettings& settings) {
    return {
        {"peekOnNewFiles", settings.peekOnNewFiles}, {"toastAfterSweep", settings.toastAfterSweep},
        {"pillCountdown", settings.pillCountdown},   {"quietWhenBusy", settings.quietWhenBusy},
        {"hotkeyEnabled", settings.hotkeyEnabled},   {"showPill", settings.showPill}};
}

namespace {

void readSwitch(const nlohmann::json& object, const char* key, bool& target) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return;
    if (!it->is_boolean())
        throw DecodingError(std::string("Notch switch \"") + key + "\" is not a boolean");
    target = it->get<bool>();
}

} // namespace

NotchSettings notchSettingsFromJson(const nlohmann::json& value) {
    if (!value.is_object())
        throw DecodingError("The notch settings must be an object");
    NotchSettings settings;
    readSwitch(value, "peekOnNewFiles", settings.peekOnNewFiles);
    readSwitch(value, "toastAfterSweep", settings.toastAfterSweep);
    readSwitch(value, "pillCountdown", settings.pillCountdown);
    readSwitch(value, "quietWhenBusy", settings.quietWhenBusy);
    readSwitch(value, "hotkeyEnabled", settings.hotkeyEnabled);
    readSwitch(value, "showPill", settings.showPill);
    return settings;
}

} // namespace dustlyn

#pragma once

#include "app/platform/LoginItem.h"

#include <filesystem>
#include <string>

namespace dustlyn {

// Starting at login through the XDG autostart folder: $XDG_CONFIG_HOME/autostart/
// dustlyn.desktop runs `dustlyn` when the session starts. Turning it off keeps the file
// with Hidden=true, which also masks an entry a package may have put in the system's
// autostart folder. Each change replaces the file atomically.
class XdgLoginItem final : public LoginItem {
public:
    explicit XdgLoginItem(std::filesystem::path configHome);

    void registerItem() override;
    void unregisterItem() override;
    // The file exists and neither hides itself nor is switched off for GNOME.
    bool enabled() const override;

    std::filesystem::path file() const { return configHome_ / "autostart" / "dustlyn.desktop"; }

    // The file's exact contents when on and when off.
    static std::string entry(bool enabled);

private:
    void write(bool enabled);

    std::filesystem::path configHome_;
};

} // namespace dustlyn

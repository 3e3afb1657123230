#pragma once

#include <QString>

#include <array>
#include <optional>

namespace dustlyn {

// The panes of the settings window, in sidebar order: the order of their names on the
// command line.
enum class SettingsPane { overview, rules, notch, history, kept };

struct SettingsPanes {
    static constexpr std::array<SettingsPane, 5> all{SettingsPane::overview, SettingsPane::rules,
                                                     SettingsPane::notch, SettingsPane::history,
                                                     SettingsPane::kept};

    // "Overview", "Rules", "Notch", "History", "Kept files".
    static QString title(SettingsPane pane);
    // The exact title, or no pane.
    static std::optional<SettingsPane> fromTitle(const QString& title);
    // The title in any case ("kept FILES"), as typed after `dustlyn settings`.
    static std::optional<SettingsPane> fromTitleIgnoringCase(const QString& title);
};

} // namespace dustlyn

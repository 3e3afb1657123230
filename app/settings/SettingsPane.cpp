#include "app/settings/SettingsPane.h"

namespace dustlyn {

QString SettingsPanes::title(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::overview:
        return QStringLiteral("Overview");
    case SettingsPane::rules:
        return QStringLiteral("Rules");
    case SettingsPane::notch:
        return QStringLiteral("Notch");
    case SettingsPane::history:
        return QStringLiteral("History");
    case SettingsPane::kept:
        return QStringLiteral("Kept files");
    }
    return {};
}

std::optional<SettingsPane> SettingsPanes::fromTitle(const QString& text) {
    for (const SettingsPane pane : all)
        if (title(pane) == text)
            return pane;
    return std::nullopt;
}

std::optional<SettingsPane> SettingsPanes::fromTitleIgnoringCase(const QString& text) {
    for (const SettingsPane pane : all)
        if (title(pane).compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return pane;
    return std::nullopt;
}

} // namespace dustlyn

#include "app/settings/SettingsPane.h"

#include "app/instance/CommandDeclaration.h"

namespace dustlyn {

QString SettingsPanes::title(SettingsPane pane) {
    // The command line offers the same names, in the same order, for `dustlyn settings PANE`.
    return QString::fromStdString(CommandDeclaration::paneNames().at(std::size_t(pane)));
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

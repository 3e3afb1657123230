#include "app/shell/SettingsCommand.h"

namespace dustlyn {

std::optional<SettingsPane> SettingsCommand::pane(const CommandLine& line) {
    if (line.arguments.empty())
        return std::nullopt;
    return SettingsPanes::fromTitleIgnoringCase(QString::fromStdString(line.arguments.front()));
}

} // namespace dustlyn

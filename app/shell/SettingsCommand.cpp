#include "app/shell/SettingsCommand.h"

namespace dustlyn {

std::optional<SettingsPane> SettingsCommand::pane(const CommandLine& line) {
    if (line.arguments.empty())
        return std::nullopt;
    const std::string& name = line.arguments.front();
    if (auto pane = SettingsPanes::fromTitleIgnoringCase(QString::fromStdString(name)))
        return pane;
    std::string titles;
    for (const SettingsPane pane : SettingsPanes::all) {
        const std::string title = SettingsPanes::title(pane).toStdString();
        if (!titles.empty())
            titles += pane == SettingsPanes::all.back() ? " or " : ", ";
        titles += title.find(' ') == std::string::npos ? title : "\"" + title + "\"";
    }
    throw UsageError("dustlyn settings: there is no pane \"" + name + "\"; choose " + titles);
}

} // namespace dustlyn

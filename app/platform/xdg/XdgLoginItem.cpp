#include "app/platform/xdg/XdgLoginItem.h"

#include "core/base/AtomicFile.h"
#include "core/base/FileError.h"
#include "core/base/Trimmed.h"

#include <sstream>

namespace dustlyn {

namespace {} // namespace

XdgLoginItem::XdgLoginItem(std::filesystem::path configHome) : configHome_(std::move(configHome)) {}

std::string XdgLoginItem::entry(bool enabled) {
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Dustlyn\n"
                       "Exec=dustlyn\n"
                       "Icon=dustlyn\n"
                       "Terminal=false\n";
    text += enabled ? "X-GNOME-Autostart-enabled=true\n" : "X-GNOME-Autostart-enabled=false\n";
    text += "X-KDE-autostart-after=panel\n";
    if (!enabled)
        text += "Hidden=true\n";
    return text;
}

void XdgLoginItem::registerItem() {
    write(true);
}

void XdgLoginItem::unregisterItem() {
    write(false);
}

void XdgLoginItem::write(bool enabled) {
    try {
        createDirectories(file().parent_path());
        writeFileAtomically(file(), entry(enabled));
    } catch (const FileError& error) {
        throw LoginItemError(error.what());
    }
}

bool XdgLoginItem::enabled() const {
    const auto contents = readWholeFile(file());
    if (!contents)
        return false;
    std::istringstream lines(*contents);
    std::string line;
    bool inEntry = false;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inEntry || equals == std::string::npos)
            continue;
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if (key == "Hidden" && value == "true")
            return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false")
            return false;
    }
    return true;
}

} // namespace dustlyn

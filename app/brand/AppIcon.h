#pragma once

#include <QImage>

#include <array>

namespace dustlyn {

// The application's icon for the desktop's menus and launchers: the logo tile.
struct AppIcon {
    // The sizes of the freedesktop.org hicolor theme.
    static constexpr std::array<int, 9> sizes{16, 22, 24, 32, 48, 64, 128, 256, 512};

    static QImage render(int pixels);
};

} // namespace dustlyn

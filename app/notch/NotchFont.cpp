#include "app/notch/NotchFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace dustlyn {

QFont NotchFont::make(double size, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // A point size, converted at the screen's logical resolution: QFont's pixel sizes are
    // whole numbers, and the notch uses half sizes (12.5, 10.5).
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(size * 72.0 / (dpi > 0 ? dpi : 96.0));
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace dustlyn

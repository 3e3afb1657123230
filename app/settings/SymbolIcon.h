#pragma once

#include <QColor>
#include <QIcon>
#include <QStringList>

class QPainter;
class QRectF;

namespace dustlyn {

// The small pictures the settings window uses, by what they show.
enum class Symbol {
    chartPie,      // Overview
    lineDecrease,  // Rules
    laptop,        // Notch
    clockArrow,    // History
    pin,           // Kept files
    trayArrowDown, // moved to quarantine
    trash,         // deleted
    uturnBackward, // restored
    minusCircle,   // remove a row
    plus,          // add a row
    ellipsis       // more actions
};

struct SymbolIcon {
    // The desktop icon theme's picture when it has one, else a drawn one in `color`.
    static QIcon icon(Symbol symbol, const QColor& color);
    // Theme names to try, most fitting first.
    static QStringList themeNames(Symbol symbol);
    // The drawn picture, in `box`, stroked in the painter's pen colour.
    static void draw(Symbol symbol, QPainter& painter, const QRectF& box);
};

} // namespace dustlyn

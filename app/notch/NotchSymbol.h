#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPixmap>

namespace dustlyn {

// The small pictures on the notch's buttons and drop zones: the icon theme's symbolic
// icon when the theme has one, recoloured to the notch's text colour, else a drawn shape.
class NotchSymbol {
public:
    enum class Name { pause, play, gear, pin, timer };

    // A `side` × `side` point picture in `color` at `ratio` device pixels per point.
    static QPixmap pixmap(Name name, double side, qreal ratio, const QColor& color);
    // The drawn shape in a `side` square, for themes without the icon.
    static QPainterPath drawn(Name name, double side);
    // The icon theme names tried, best first.
    static QStringList themeNames(Name name);
};

} // namespace dustlyn

#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include <vector>

class QScreen;

namespace dustlyn {

// Converts the X server's pixels to Qt's device-independent global coordinates. Qt keeps
// each screen's top-left corner where the server has it and divides distances from that
// corner by the screen's device pixel ratio, so a point belongs to the screen whose pixel
// area holds it.
class NativeCoordinates {
public:
    struct Screen {
        QRect logical; // QScreen::geometry()
        double devicePixelRatio = 1;
    };

    explicit NativeCoordinates(std::vector<Screen> screens) : screens_(std::move(screens)) {}
    // The application's screens as they are now.
    static NativeCoordinates ofApplication();

    QPointF toLogical(QPoint native) const;
    QRectF toLogical(QRect native) const;
    // A rectangle in a window's own coordinates as the server's pixels of that window.
    static QRect toNativeLocal(const QRect& logical, double devicePixelRatio);

private:
    const Screen* screenAt(QPoint native) const;

    std::vector<Screen> screens_;
};

} // namespace dustlyn

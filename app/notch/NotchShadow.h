#pragma once

#include "app/notch/NotchShape.h"

#include <QImage>
#include <QRectF>

class QPainter;

namespace dustlyn {

// The soft shadow under the notch's body: black, blurred by `blur` points, `offset` points
// down. Made at a quarter of the size and drawn scaled (a wide blur has no detail to lose),
// and kept until the shape changes, so a notch at rest draws it from memory.
class NotchShadow {
public:
    static constexpr double blur = 24;
    static constexpr double offset = 10;
    // How far the shadow reaches beyond the body it falls from.
    static constexpr double reach = blur * 1.5 + offset;

    // Draws the shadow of `shape` in `rect` at `opacity` (of black).
    void paint(QPainter& painter, const QRectF& rect, const NotchShape& shape, double opacity);

private:
    struct Key {
        int width = 0;
        int height = 0;
        int top = 0;
        int bottom = 0;
        bool operator==(const Key&) const = default;
    };
    static QImage render(const Key& key);

    Key key_;
    QImage image_;
};

} // namespace dustlyn

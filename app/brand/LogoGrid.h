#pragma once

#include <QPointF>
#include <QRectF>

#include <algorithm>

namespace dustlyn {

// The logo is drawn on a 64 × 64 grid centred in the rectangle it is given; the grid
// follows the shorter side, so the mark keeps its proportions in any rectangle.
struct LogoGrid {
    QPointF origin;
    qreal unit = 0;

    explicit LogoGrid(const QRectF& rect)
        : origin(rect.center().x() - 32 * unitOf(rect), rect.center().y() - 32 * unitOf(rect)),
          unit(unitOf(rect)) {}

    static qreal unitOf(const QRectF& rect) { return std::min(rect.width(), rect.height()) / 64; }

    QPointF point(qreal a, qreal b) const { return {origin.x() + a * unit, origin.y() + b * unit}; }
    qreal length(qreal units) const { return units * unit; }
};

} // namespace dustlyn

#include "app/brand/LogoMark.h"

#include "app/brand/LogoGrid.h"

#include <algorithm>

namespace dustlyn {

namespace {

// A capsule whose ends meet the straight edges without a jump in curvature, the way
// continuous corners do: each quarter of an end is one cubic that leaves the edge flat
// (its first two control points lie on the edge) 1.528 radii before the end and reaches
// the tip with the curvature of the round end, so the tip stays as round as a semicircle
// while the shoulders ease into the straight edges.
QPainterPath continuousCapsule(const QRectF& r) {
    const qreal radius = r.height() / 2;
    const qreal reach = std::min(1.528 * radius, r.width() / 2);
    const qreal handle = 1.5 * radius;
    const qreal left = r.left(), right = r.right(), top = r.top(), bottom = r.bottom();
    const qreal middle = top + radius;

    // Clockwise on screen, like the ears, so the non-zero rule unites them.
    QPainterPath capsule;
    capsule.moveTo(left + reach, top);
    capsule.lineTo(right - reach, top);
    capsule.cubicTo(right - handle, top, right, top, right, middle);
    capsule.cubicTo(right, bottom, right - handle, bottom, right - reach, bottom);
    capsule.lineTo(left + reach, bottom);
    capsule.cubicTo(left + handle, bottom, left, bottom, left, middle);
    capsule.cubicTo(left, top, left + handle, top, left + reach, top);
    capsule.closeSubpath();
    return capsule;
}

void addTriangle(QPainterPath& path, QPointF a, QPointF b, QPointF c) {
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
}

} // namespace

QPainterPath LogoMark::path(const QRectF& rect) {
    const LogoGrid grid(rect);
    QPainterPath mark = continuousCapsule(QRectF(grid.point(8, 28), grid.point(56, 52)));
    addTriangle(mark, grid.point(13, 33), grid.point(16, 12), grid.point(29, 28));
    addTriangle(mark, grid.point(35, 28), grid.point(48, 12), grid.point(51, 33));
    mark.setFillRule(Qt::WindingFill);
    return mark;
}

} // namespace dustlyn

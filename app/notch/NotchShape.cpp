#include "app/notch/NotchShape.h"

#include <algorithm>

namespace dustlyn {

QPainterPath NotchShape::path(const QRectF& rect) const {
    const double t = topRadius;
    const double r =
        std::max(0.0, std::min({bottomRadius, rect.height() / 2, (rect.width() - 2 * t) / 2}));
    const double left = rect.left();
    const double right = rect.right();
    const double top = rect.top();
    const double bottom = rect.bottom();
    QPainterPath path;
    path.moveTo(left, top);
    path.quadTo(left + t, top, left + t, top + t);
    path.lineTo(left + t, bottom - r);
    path.quadTo(left + t, bottom, left + t + r, bottom);
    path.lineTo(right - t - r, bottom);
    path.quadTo(right - t, bottom, right - t, bottom - r);
    path.lineTo(right - t, top + t);
    path.quadTo(right - t, top, right, top);
    path.closeSubpath();
    return path;
}

} // namespace dustlyn

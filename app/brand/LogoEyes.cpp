#include "app/brand/LogoEyes.h"

#include "app/brand/LogoGrid.h"

namespace dustlyn {

QPainterPath LogoEyes::path(const QRectF& rect) {
    const LogoGrid grid(rect);
    const qreal side = grid.length(6.4);
    QPainterPath eyes;
    eyes.addEllipse(QRectF(grid.point(20.3, 36.8), QSizeF(side, side)));
    eyes.addEllipse(QRectF(grid.point(37.3, 36.8), QSizeF(side, side)));
    return eyes;
}

} // namespace dustlyn

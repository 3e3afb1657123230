#pragma once

#include <QPainterPath>
#include <QRectF>

namespace dustlyn {

// The mark's two round eyes, on the same grid as the mark.
struct LogoEyes {
    static QPainterPath path(const QRectF& rect);
};

} // namespace dustlyn

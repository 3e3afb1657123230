#pragma once

#include <QPainterPath>
#include <QRectF>

namespace dustlyn {

// The mark's outline: a capsule body with two pointed ears rising 16 units above it.
struct LogoMark {
    // The mark for `rect`, filled with the non-zero rule (the union of its three parts).
    static QPainterPath path(const QRectF& rect);
};

} // namespace dustlyn

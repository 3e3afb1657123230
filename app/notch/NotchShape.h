#pragma once

#include <QPainterPath>
#include <QRectF>

namespace dustlyn {

// The black body hanging from the top edge: shoulders that flare out into the edge with
// `topRadius`, and bottom corners rounded with `bottomRadius`.
struct NotchShape {
    double topRadius = 0;
    double bottomRadius = 0;

    // The outline in `rect` (y grows downwards; the top edge is the screen's).
    QPainterPath path(const QRectF& rect) const;

    bool operator==(const NotchShape&) const = default;
};

} // namespace dustlyn

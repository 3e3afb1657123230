#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace dustlyn {

// The tray's image: the mark in one colour with its eyes cut out as transparent holes, so
// whatever is behind the tray shows through them. The tray has no tinting of its own on
// Linux, so the caller picks a colour that stands out on the panel.
struct TrayLogo {
    static constexpr int side = 18; // points

    static QImage image(qreal devicePixelRatio, const QColor& color = Qt::black);
    // The image at 1× and 2×, marked as a mask for hosts that tint such icons.
    static QIcon icon(const QColor& color = Qt::black);
};

} // namespace dustlyn

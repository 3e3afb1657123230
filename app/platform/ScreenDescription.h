#pragma once

#include <QRectF>

#include <optional>

namespace dustlyn {

// One screen as the notch sees it, in Qt's global coordinates (origin at the top left of
// the virtual desktop, y growing downwards, device-independent pixels).
struct ScreenDescription {
    QRectF frame;
    // The frame without the desktop's top panel and other reserved strips.
    QRectF availableFrame;
    // Height of a camera housing in the top edge; no Linux screen reports one.
    double topInset = 0;
    // The areas left and right of a camera housing, where the system reports them.
    std::optional<QRectF> auxiliaryTopLeftArea;
    std::optional<QRectF> auxiliaryTopRightArea;

    bool operator==(const ScreenDescription&) const = default;
};

} // namespace dustlyn

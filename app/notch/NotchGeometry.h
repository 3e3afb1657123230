#pragma once

#include "app/platform/ScreenDescription.h"
#include "app/platform/Screens.h"

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace dustlyn {

// How far the body rectangle is grown before a pointer test, for each question asked.
struct SlackMargin {
    static constexpr double input = 2;        // the panel takes the pointer
    static constexpr double outsideClick = 8; // a click elsewhere closes the open panel
    static constexpr double hoverLeave = 14;  // the pointer left a panel opened by hovering
    static constexpr double dropLeave = 20;   // the pointer left the drop zones
};

// The measurements of the screen the notch hangs from, and every rectangle the notch is
// drawn in or tests the pointer against. Qt's global coordinates: y grows downwards, so
// everything hangs from the frame's top().
struct NotchGeometry {
    QRectF screenFrame;
    bool hasNotch = false;
    double notchWidth = 0;
    // The band the notch may occupy: a camera housing's height, else the top panel's.
    double notchHeight = 24;

    static constexpr double panelWidth = 720;
    static constexpr double panelHeight = 560;

    // What a screen offers: its camera housing, or the desktop's top panel (24 when the
    // panel is hidden, absent or too thin to hold anything).
    static NotchGeometry measure(const ScreenDescription& screen);

    // The one panel, fixed in size whatever the face.
    QRectF panelFrame() const;
    // The visible shape for a body of `size`.
    QRectF body(QSizeF size) const;
    // Where resting the pointer opens the panel while the body is `size`.
    QRectF hotZone(QSizeF size) const;
    // Where a file drag brings up the drop zones.
    QRectF dragTarget() const;

    // `rect` grown by `margin` on every side; an empty rectangle stays empty, so nothing
    // can be hit where nothing is drawn.
    static QRectF grown(const QRectF& rect, double margin);

    bool operator==(const NotchGeometry&) const = default;

private:
    bool placed() const { return !screenFrame.isEmpty(); }
    QRectF hanging(double width, double height) const;
};

// The screen the notch hangs from (none when the desktop reports no screen) and its
// measurements.
struct ScreenChoice {
    std::optional<ScreenDescription> screen;
    NotchGeometry geometry;

    // First a screen with a camera housing, then the primary screen, then the first one.
    static ScreenChoice current(const Screens& screens);

    bool operator==(const ScreenChoice&) const = default;
};

} // namespace dustlyn

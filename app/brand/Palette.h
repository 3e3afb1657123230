#pragma once

#include <QColor>

namespace dustlyn {

// The brand's colours, used by every notch view and by the logo drawn in them (sRGB).
struct Palette {
    static QColor notch() { return QColor::fromRgbF(0.0f, 0.0f, 0.0f); }
    static QColor notchText() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.96f); }
    static QColor notchDim() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.56f); }
    static QColor notchCard() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.085f); }
    static QColor notchControl() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.165f); }
    // Orange: countdowns, the logo's eyes, what is about to leave.
    static QColor signal() { return QColor::fromRgbF(1.0f, 0.62f, 0.04f); }
    // Green: what stays.
    static QColor keep() { return QColor::fromRgbF(0.19f, 0.82f, 0.35f); }
};

} // namespace dustlyn

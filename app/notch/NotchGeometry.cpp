#include "app/notch/NotchGeometry.h"

#include <algorithm>

namespace dustlyn {

namespace {

// A top panel thinner than this is no place for the pill (hidden or auto-hiding panels).
constexpr double minimumBand = 10;
constexpr double fallbackBand = 24;
// The hot zone of a screen without a housing is at least this wide before its slack.
constexpr double plainHotWidth = 180;
constexpr double hotSlack = 16;
constexpr double dragTargetWidth = 360;
constexpr double dragTargetDepth = 50;

} // namespace

NotchGeometry NotchGeometry::measure(const ScreenDescription& screen) {
    NotchGeometry geometry;
    geometry.screenFrame = screen.frame;
    if (screen.topInset > 0 && screen.auxiliaryTopLeftArea && screen.auxiliaryTopRightArea) {
        geometry.hasNotch = true;
        geometry.notchHeight = screen.topInset;
        geometry.notchWidth = screen.frame.width() - screen.auxiliaryTopLeftArea->width() -
                              screen.auxiliaryTopRightArea->width();
        return geometry;
    }
    const double band = screen.availableFrame.top() - screen.frame.top();
    geometry.notchHeight = band > minimumBand ? band : fallbackBand;
    return geometry;
}

QRectF NotchGeometry::hanging(double width, double height) const {
    if (!placed())
        return {};
    return {screenFrame.center().x() - width / 2, screenFrame.top(), width, height};
}

QRectF NotchGeometry::panelFrame() const {
    return hanging(panelWidth, panelHeight);
}

QRectF NotchGeometry::body(QSizeF size) const {
    return hanging(size.width(), size.height());
}

QRectF NotchGeometry::hotZone(QSizeF size) const {
    const double width = std::max(size.width(), hasNotch ? notchWidth : plainHotWidth) + hotSlack;
    return hanging(width, notchHeight + 2);
}

QRectF NotchGeometry::dragTarget() const {
    return hanging(dragTargetWidth, notchHeight + dragTargetDepth);
}

QRectF NotchGeometry::grown(const QRectF& rect, double margin) {
    if (rect.isEmpty())
        return {};
    return rect.adjusted(-margin, -margin, margin, margin);
}

ScreenChoice ScreenChoice::current(const Screens& screens) {
    const auto all = screens.screens();
    const auto notched = std::find_if(all.begin(), all.end(),
                                      [](const ScreenDescription& s) { return s.topInset > 0; });
    std::optional<ScreenDescription> chosen;
    if (notched != all.end())
        chosen = *notched;
    else if (const auto main = screens.mainScreen(); main && *main < all.size())
        chosen = all[*main];
    else if (!all.empty())
        chosen = all.front();
    if (!chosen)
        return {};
    return {chosen, NotchGeometry::measure(*chosen)};
}

} // namespace dustlyn

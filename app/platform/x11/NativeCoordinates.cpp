#include "app/platform/x11/NativeCoordinates.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace dustlyn {

NativeCoordinates NativeCoordinates::ofApplication() {
    std::vector<Screen> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back({screen->geometry(), screen->devicePixelRatio()});
    return NativeCoordinates(std::move(screens));
}

const NativeCoordinates::Screen* NativeCoordinates::screenAt(QPoint native) const {
    for (const auto& screen : screens_) {
        const QPoint origin = screen.logical.topLeft();
        const QRectF pixels(origin, QSizeF(screen.logical.size()) * screen.devicePixelRatio);
        if (pixels.contains(native))
            return &screen;
    }
    return nullptr;
}

QPointF NativeCoordinates::toLogical(QPoint native) const {
    const Screen* screen = screenAt(native);
    if (!screen || screen->devicePixelRatio == 1)
        return QPointF(native);
    const QPointF origin = screen->logical.topLeft();
    return origin + (QPointF(native) - origin) / screen->devicePixelRatio;
}

QRectF NativeCoordinates::toLogical(QRect native) const {
    const Screen* screen = screenAt(native.topLeft());
    const double ratio = screen ? screen->devicePixelRatio : 1;
    return QRectF(toLogical(native.topLeft()), QSizeF(native.size()) / ratio);
}

QRect NativeCoordinates::toNativeLocal(const QRect& logical, double devicePixelRatio) {
    if (devicePixelRatio == 1)
        return logical;
    // Outward rounding: a shape never loses a partly covered pixel at its edges.
    const double left = std::floor(logical.x() * devicePixelRatio);
    const double top = std::floor(logical.y() * devicePixelRatio);
    const double right = std::ceil((logical.x() + logical.width()) * devicePixelRatio);
    const double bottom = std::ceil((logical.y() + logical.height()) * devicePixelRatio);
    return QRect(QPoint(static_cast<int>(left), static_cast<int>(top)),
                 QPoint(static_cast<int>(right) - 1, static_cast<int>(bottom) - 1));
}

} // namespace dustlyn

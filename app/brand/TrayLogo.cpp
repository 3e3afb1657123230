#include "app/brand/TrayLogo.h"

#include "app/brand/Logo.h"
#include "app/brand/LogoEyes.h"

#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace dustlyn {

QImage TrayLogo::image(qreal devicePixelRatio, const QColor& color) {
    const int pixels = static_cast<int>(std::lround(side * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(0, 0, side, side);
    painter.fillPath(Logo::outline(bounds), color);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(LogoEyes::path(bounds), Qt::black);
    return image;
}

QIcon TrayLogo::icon(const QColor& color) {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image(1, color)));
    icon.addPixmap(QPixmap::fromImage(image(2, color)));
    icon.setIsMask(true);
    return icon;
}

} // namespace dustlyn

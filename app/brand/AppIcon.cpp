#include "app/brand/AppIcon.h"

#include "app/brand/LogoTile.h"

#include <QPainter>

#include <cmath>

namespace dustlyn {

QImage AppIcon::render(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Below 32 pixels a shadow is a smudge and its margin would shrink the logo: the tile
    // fills the icon. Above, the tile sits a little high so its shadow fits below it.
    if (pixels < 32) {
        LogoTile::paint(painter, QRectF(0, 0, pixels, pixels), false);
        return image;
    }
    const qreal tile = std::round(0.78 * pixels);
    const QRectF square((pixels - tile) / 2, std::round(0.055 * pixels), tile, tile);
    LogoTile::paint(painter, square);
    return image;
}

} // namespace dustlyn

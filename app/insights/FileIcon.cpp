#include "app/insights/FileIcon.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace dustlyn {

QImage FileIcon::image(const QStringList& iconNames, int side, qreal scale) {
    for (const QString& name : iconNames) {
        if (name.isEmpty() || !QIcon::hasThemeIcon(name))
            continue;
        QImage image = QIcon::fromTheme(name).pixmap(QSize(side, side), scale).toImage();
        if (!image.isNull())
            return image;
    }
    return drawnPage(side, scale);
}

QImage FileIcon::drawnPage(int side, qreal scale) {
    const int pixels = static_cast<int>(std::ceil(side * scale));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);

    // A sheet with its top-right corner folded over, light on the notch's dark cards.
    const qreal s = side;
    const QRectF sheet(0.22 * s, 0.12 * s, 0.56 * s, 0.76 * s);
    const qreal fold = 0.18 * s;
    QPainterPath page;
    page.moveTo(sheet.topLeft());
    page.lineTo(sheet.right() - fold, sheet.top());
    page.lineTo(sheet.right(), sheet.top() + fold);
    page.lineTo(sheet.bottomRight());
    page.lineTo(sheet.bottomLeft());
    page.closeSubpath();
    QPainterPath flap;
    flap.moveTo(sheet.right() - fold, sheet.top());
    flap.lineTo(sheet.right() - fold, sheet.top() + fold);
    flap.lineTo(sheet.right(), sheet.top() + fold);
    flap.closeSubpath();

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(page, QColor::fromRgbF(1, 1, 1, 0.78f));
    painter.fillPath(flap, QColor::fromRgbF(0, 0, 0, 0.3f));
    return image;
}

} // namespace dustlyn

#include "app/notch/NotchSymbol.h"

#include <QIcon>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace dustlyn {

namespace {

QPainterPath pauseShape(double s) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0.22 * s, 0.15 * s, 0.2 * s, 0.7 * s), 0.05 * s, 0.05 * s);
    path.addRoundedRect(QRectF(0.58 * s, 0.15 * s, 0.2 * s, 0.7 * s), 0.05 * s, 0.05 * s);
    return path;
}

QPainterPath playShape(double s) {
    QPainterPath path;
    path.moveTo(0.26 * s, 0.14 * s);
    path.lineTo(0.86 * s, 0.5 * s);
    path.lineTo(0.26 * s, 0.86 * s);
    path.closeSubpath();
    return path;
}

QPainterPath gearShape(double s) {
    // Eight teeth around a ring, with a hole in the middle.
    QPainterPath teeth;
    const QPointF c(s / 2, s / 2);
    constexpr int count = 8;
    for (int i = 0; i < count; ++i) {
        const double angle = 2 * std::numbers::pi * i / count;
        QTransform turn;
        turn.translate(c.x(), c.y());
        turn.rotateRadians(angle);
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-0.09 * s, -0.48 * s, 0.18 * s, 0.2 * s), 0.03 * s, 0.03 * s);
        teeth.addPath(turn.map(tooth));
    }
    QPainterPath ring;
    ring.addEllipse(c, 0.34 * s, 0.34 * s);
    QPainterPath hole;
    hole.addEllipse(c, 0.13 * s, 0.13 * s);
    return ring.united(teeth).subtracted(hole);
}

QPainterPath pinShape(double s) {
    QPainterPath head;
    head.addRoundedRect(QRectF(0.3 * s, 0.06 * s, 0.4 * s, 0.12 * s), 0.04 * s, 0.04 * s);
    QPainterPath body;
    body.moveTo(0.36 * s, 0.16 * s);
    body.lineTo(0.64 * s, 0.16 * s);
    body.lineTo(0.68 * s, 0.46 * s);
    body.lineTo(0.8 * s, 0.6 * s);
    body.lineTo(0.2 * s, 0.6 * s);
    body.lineTo(0.32 * s, 0.46 * s);
    body.closeSubpath();
    QPainterPath needle;
    needle.addRoundedRect(QRectF(0.46 * s, 0.58 * s, 0.08 * s, 0.36 * s), 0.04 * s, 0.04 * s);
    return head.united(body).united(needle);
}

QPainterPath timerShape(double s) {
    const QPointF c(s / 2, 0.56 * s);
    QPainterPath face;
    face.addEllipse(c, 0.4 * s, 0.4 * s);
    QPainterPath inside;
    inside.addEllipse(c, 0.3 * s, 0.3 * s);
    QPainterPath button;
    button.addRoundedRect(QRectF(0.4 * s, 0.02 * s, 0.2 * s, 0.1 * s), 0.03 * s, 0.03 * s);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(0.46 * s, 0.34 * s, 0.08 * s, 0.27 * s), 0.04 * s, 0.04 * s);
    return face.subtracted(inside).united(button).united(hand);
}

// The icon's own shape in `color`: themes draw symbolic icons dark for light panels.
QPixmap tinted(const QIcon& icon, int pixels, const QColor& color) {
    QPixmap picture = icon.pixmap(QSize(pixels, pixels));
    if (picture.isNull())
        return {};
    picture = picture.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(picture.rect(), color);
    return picture;
}

} // namespace

QStringList NotchSymbol::themeNames(Name name) {
    switch (name) {
    case Name::pause:
        return {"media-playback-pause-symbolic", "media-playback-pause"};
    case Name::play:
        return {"media-playback-start-symbolic", "media-playback-start"};
    case Name::gear:
        return {"emblem-system-symbolic", "preferences-system-symbolic", "preferences-system"};
    case Name::pin:
        return {"view-pin-symbolic", "pin-symbolic", "window-pin"};
    case Name::timer:
        return {"alarm-symbolic", "preferences-system-time-symbolic", "chronometer"};
    }
    return {};
}

QPainterPath NotchSymbol::drawn(Name name, double side) {
    switch (name) {
    case Name::pause:
        return pauseShape(side);
    case Name::play:
        return playShape(side);
    case Name::gear:
        return gearShape(side);
    case Name::pin:
        return pinShape(side);
    case Name::timer:
        return timerShape(side);
    }
    return {};
}

QPixmap NotchSymbol::pixmap(Name name, double side, qreal ratio, const QColor& color) {
    const int pixels = static_cast<int>(std::lround(side * ratio));
    for (const QString& themeName : themeNames(name)) {
        if (!QIcon::hasThemeIcon(themeName))
            continue;
        QPixmap picture = tinted(QIcon::fromTheme(themeName), pixels, color);
        if (picture.isNull())
            continue;
        picture.setDevicePixelRatio(ratio);
        return picture;
    }
    QPixmap picture(pixels, pixels);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(ratio, ratio);
    painter.fillPath(drawn(name, side), color);
    painter.end();
    picture.setDevicePixelRatio(ratio);
    return picture;
}

} // namespace dustlyn

#include "app/notch/NotchButton.h"

#include "app/brand/Palette.h"
#include "app/notch/NotchFont.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace dustlyn {

namespace {

constexpr double titleSize = 11.5;
constexpr double sidePadding = 11;

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

NotchButton::NotchButton(const QString& title, bool primary, std::optional<QColor> tint,
                         QWidget* parent)
    : NotchControl(parent), primary_(primary), tint_(tint) {
    setText(title);
    setFont(NotchFont::make(titleSize, QFont::DemiBold));
    setFixedHeight(height);
    setCursor(Qt::PointingHandCursor);
}

QColor NotchButton::fill() const {
    if (primary_)
        return QColor::fromRgbF(1, 1, 1, hovered() ? 1.0f : 0.93f);
    if (tint_)
        return withAlpha(*tint_, hovered() ? 0.24 : 0.16);
    return QColor::fromRgbF(1, 1, 1, hovered() ? 0.22f : 0.165f);
}

QColor NotchButton::textColor() const {
    if (primary_)
        return Qt::black;
    return tint_ ? *tint_ : Palette::notchText();
}

QSize NotchButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    const double width = metrics.horizontalAdvance(text()) + 2 * sidePadding;
    return {static_cast<int>(std::ceil(width)), height};
}

void NotchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule(rect());
    const double radius = capsule.height() / 2;
    QPainterPath shape;
    shape.addRoundedRect(capsule, radius, radius);
    painter.fillPath(shape, isDown() ? fill().lighter(120) : fill());
    painter.setPen(textColor());
    painter.setFont(font());
    painter.drawText(capsule, Qt::AlignCenter, text());
    paintFocusRing(painter, capsule, radius);
}

} // namespace dustlyn

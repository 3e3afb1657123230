#include "app/notch/IconButton.h"

#include "app/brand/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace dustlyn {

namespace {

constexpr double symbolSide = 12; // a semibold 11-point symbol's box

} // namespace

IconButton::IconButton(NotchSymbol::Name symbol, const QString& help, QWidget* parent)
    : NotchControl(parent), symbol_(symbol) {
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setToolTip(help);
    setAccessibleName(help);
}

void IconButton::setSymbol(NotchSymbol::Name symbol, const QString& help) {
    if (symbol == symbol_ && help == toolTip())
        return;
    symbol_ = symbol;
    picture_ = QPixmap();
    setToolTip(help);
    setAccessibleName(help);
    update();
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square(rect());
    QPainterPath shape;
    shape.addEllipse(square); // a capsule as tall as it is wide
    painter.fillPath(shape, QColor::fromRgbF(1, 1, 1, hovered() ? 0.22f : 0.165f));
    const qreal ratio = devicePixelRatioF();
    if (picture_.isNull() || picture_.devicePixelRatio() != ratio)
        picture_ = NotchSymbol::pixmap(symbol_, symbolSide, ratio, Palette::notchText());
    const QPointF corner((side - symbolSide) / 2, (side - symbolSide) / 2);
    painter.drawPixmap(corner, picture_);
    paintFocusRing(painter, square, side / 2.0);
}

} // namespace dustlyn

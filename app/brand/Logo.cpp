#include "app/brand/Logo.h"

#include "app/brand/LogoEyes.h"
#include "app/brand/LogoGrid.h"
#include "app/brand/LogoMark.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <cmath>

namespace dustlyn {

namespace {

// Path operations flatten curves to a fixed tolerance in path units, so the outline is
// worked out once on a large grid and scaled down to each use.
constexpr qreal canonicalUnit = 100;

QPainterPath canonicalOutline() {
    const QRectF grid(0, 0, 64 * canonicalUnit, 64 * canonicalUnit);
    const QPainterPath mark = LogoMark::path(grid);
    QPainterPathStroker stroker;
    stroker.setWidth(3 * canonicalUnit);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setMiterLimit(10);
    QPainterPath outline = mark.united(stroker.createStroke(mark)).simplified();
    outline.setFillRule(Qt::WindingFill);
    return outline;
}

} // namespace

Logo::Logo(qreal logoSize, const QColor& color, const QColor& eyes, QWidget* parent)
    : QWidget(parent), logoSize_(logoSize), color_(color), eyes_(eyes) {
    setAccessibleName(QStringLiteral("Dustlyn"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
}

void Logo::setLogoSize(qreal logoSize) {
    if (logoSize == logoSize_)
        return;
    logoSize_ = logoSize;
    setFixedSize(sizeHint());
    update();
}

void Logo::setColor(const QColor& color) {
    if (color == color_)
        return;
    color_ = color;
    update();
}

void Logo::setEyes(const QColor& eyes) {
    if (eyes == eyes_)
        return;
    eyes_ = eyes;
    update();
}

QSize Logo::sizeHint() const {
    const int side = static_cast<int>(std::ceil(logoSize_));
    return {side, side};
}

QPainterPath Logo::outline(const QRectF& rect) {
    static const QPainterPath canonical = canonicalOutline();
    const LogoGrid grid(rect);
    QTransform toRect;
    toRect.translate(grid.origin.x(), grid.origin.y());
    toRect.scale(grid.unit / canonicalUnit, grid.unit / canonicalUnit);
    return toRect.map(canonical);
}

void Logo::paint(QPainter& painter, const QRectF& rect, const QColor& color, const QColor& eyes) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(outline(rect), color);
    painter.fillPath(LogoEyes::path(rect), eyes);
    painter.restore();
}

void Logo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal side = std::min<qreal>(logoSize_, std::min(width(), height()));
    QRectF square(0, 0, side, side);
    square.moveCenter(QRectF(rect()).center());
    paint(painter, square, color_, eyes_);
}

} // namespace dustlyn

#include "app/settings/SymbolIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace dustlyn {

namespace {

QStringList names(Symbol symbol) {
    switch (symbol) {
    case Symbol::chartPie:
        return {"office-chart-pie", "x-office-spreadsheet-symbolic"};
    case Symbol::lineDecrease:
        return {"view-filter", "view-list-symbolic"};
    case Symbol::laptop:
        return {"computer-laptop", "computer-symbolic", "computer"};
    case Symbol::clockArrow:
        return {"document-open-recent-symbolic", "document-open-recent", "view-history"};
    case Symbol::pin:
        return {"view-pin-symbolic", "window-pin", "pin"};
    case Symbol::trayArrowDown:
        return {"folder-download-symbolic", "folder-download"};
    case Symbol::trash:
        return {"user-trash-symbolic", "user-trash", "edit-delete"};
    case Symbol::uturnBackward:
        return {"edit-undo-symbolic", "edit-undo"};
    case Symbol::minusCircle:
        return {"list-remove-symbolic", "list-remove"};
    case Symbol::plus:
        return {"list-add-symbolic", "list-add"};
    case Symbol::ellipsis:
        return {"view-more-horizontal-symbolic", "view-more-symbolic", "open-menu-symbolic"};
    }
    return {};
}

// Each drawing is made on a 24-unit square.
void drawShapes(Symbol symbol, QPainter& p) {
    QPainterPath path;
    switch (symbol) {
    case Symbol::chartPie:
        p.drawEllipse(QRectF(3, 3, 18, 18));
        path.moveTo(12, 12);
        path.arcTo(QRectF(3, 3, 18, 18), 90, -90);
        path.closeSubpath();
        p.fillPath(path, p.pen().color());
        return;
    case Symbol::lineDecrease:
        p.drawLine(QPointF(4, 7), QPointF(20, 7));
        p.drawLine(QPointF(7, 12), QPointF(17, 12));
        p.drawLine(QPointF(10, 17), QPointF(14, 17));
        return;
    case Symbol::laptop:
        p.drawRoundedRect(QRectF(5, 5, 14, 10), 1.5, 1.5);
        p.drawLine(QPointF(2.5, 18.5), QPointF(21.5, 18.5));
        return;
    case Symbol::clockArrow:
        p.drawArc(QRectF(4, 4, 16, 16), 150 * 16, -300 * 16);
        p.drawLine(QPointF(12, 8), QPointF(12, 12));
        p.drawLine(QPointF(12, 12), QPointF(15, 14));
        p.drawLine(QPointF(5, 5), QPointF(5.1, 9.2));
        p.drawLine(QPointF(5.1, 9.2), QPointF(9, 8.6));
        return;
    case Symbol::pin:
        p.drawEllipse(QRectF(8, 3, 8, 8));
        p.drawLine(QPointF(12, 11), QPointF(12, 21));
        return;
    case Symbol::trayArrowDown:
        path.moveTo(3, 13);
        path.lineTo(3, 20);
        path.lineTo(21, 20);
        path.lineTo(21, 13);
        p.drawPath(path);
        p.drawLine(QPointF(12, 3), QPointF(12, 15));
        p.drawLine(QPointF(8, 11), QPointF(12, 15));
        p.drawLine(QPointF(16, 11), QPointF(12, 15));
        return;
    case Symbol::trash:
        p.drawLine(QPointF(4, 6), QPointF(20, 6));
        p.drawLine(QPointF(9.5, 3.5), QPointF(14.5, 3.5));
        p.drawRoundedRect(QRectF(6, 6, 12, 15), 1.5, 1.5);
        p.drawLine(QPointF(10, 10), QPointF(10, 17));
        p.drawLine(QPointF(14, 10), QPointF(14, 17));
        return;
    case Symbol::uturnBackward:
        path.moveTo(9, 14);
        path.lineTo(4, 9);
        path.lineTo(9, 4);
        p.drawPath(path);
        path = QPainterPath();
        path.moveTo(4, 9);
        path.lineTo(14, 9);
        path.cubicTo(22, 9, 22, 20, 14, 20);
        path.lineTo(9, 20);
        p.drawPath(path);
        return;
    case Symbol::minusCircle:
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
        return;
    case Symbol::plus:
        p.drawLine(QPointF(12, 5), QPointF(12, 19));
        p.drawLine(QPointF(5, 12), QPointF(19, 12));
        return;
    case Symbol::ellipsis:
        p.setBrush(p.pen().color());
        for (const double x : {6.0, 12.0, 18.0})
            p.drawEllipse(QPointF(x, 12), 1.6, 1.6);
        return;
    }
}

// Draws the picture at whatever size is asked for, when it is asked for.
class DrawnIconEngine : public QIconEngine {
public:
    DrawnIconEngine(Symbol symbol, const QColor& color) : symbol_(symbol), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor color = color_;
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.4f);
        painter->setPen(color);
        SymbolIcon::draw(symbol_, *painter, QRectF(rect));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new DrawnIconEngine(symbol_, color_); }

private:
    Symbol symbol_;
    QColor color_;
};

} // namespace

QStringList SymbolIcon::themeNames(Symbol symbol) {
    return names(symbol);
}

void SymbolIcon::draw(Symbol symbol, QPainter& painter, const QRectF& box) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24, box.height() / 24);
    QPen pen = painter.pen();
    pen.setWidthF(1.8);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    drawShapes(symbol, painter);
    painter.restore();
}

QIcon SymbolIcon::icon(Symbol symbol, const QColor& color) {
    for (const QString& name : names(symbol))
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    return QIcon(new DrawnIconEngine(symbol, color));
}

} // namespace dustlyn

#pragma once

#include <QColor>
#include <QPainterPath>
#include <QWidget>

class QPainter;

namespace dustlyn {

// The logo: the mark filled and stroked 3 grid units wide in one colour, with its eyes on
// top in another, centred in a square of `logoSize` points. Read by screen readers as
// "Dustlyn".
class Logo : public QWidget {
    Q_OBJECT

public:
    Logo(qreal logoSize, const QColor& color, const QColor& eyes, QWidget* parent = nullptr);

    qreal logoSize() const { return logoSize_; }
    const QColor& color() const { return color_; }
    const QColor& eyes() const { return eyes_; }
    void setLogoSize(qreal logoSize);
    void setColor(const QColor& color);
    void setEyes(const QColor& eyes);

    QSize sizeHint() const override;

    // The filled and stroked mark as one outline, so that a translucent colour covers
    // every pixel once: filling and then stroking would darken the stroke's inner half and
    // show where the ears overlap the body.
    static QPainterPath outline(const QRectF& rect);
    static void paint(QPainter& painter, const QRectF& rect, const QColor& color,
                      const QColor& eyes);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal logoSize_;
    QColor color_;
    QColor eyes_;
};

} // namespace dustlyn
